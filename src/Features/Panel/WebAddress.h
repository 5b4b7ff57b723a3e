#pragma once

#include <QString>
#include <QUrl>

#include <optional>

// Addresses that come from the relay are handed to the desktop only when they are plain web
// addresses: anything else (file:, a custom scheme that launches an app, …) could do far more
// than show a page.
bool isWebAddress(const QUrl& url);
std::optional<QUrl> webAddress(const std::optional<QString>& text);
