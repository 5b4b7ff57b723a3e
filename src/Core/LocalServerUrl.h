#pragma once

#include <QString>

#include <optional>

// True when `server` is a URL whose host is this machine by name: "localhost", "127.0.0.1",
// "::1" or any "*.localhost" (case-insensitive). Other loopback forms, a bare word without a
// scheme (which has no host) and an absent server are not local.
bool isLocalServer(const std::optional<QString>& server);
