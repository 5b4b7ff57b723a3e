#pragma once

#include "Core/RelayPhase.h"

#include <QColor>
#include <QCoreApplication>
#include <QIcon>
#include <QImage>
#include <QList>
#include <QString>

#include <optional>

// What the tray shows for the relay's phase: one symbol, the number still to send as a badge
// while texts go out, and a spoken label (the tray's tool tip). Pure functions of the phase
// and the batch, so the shell only has to call them when either changes.
class MenuBarLabel {
    Q_DECLARE_TR_FUNCTIONS(MenuBarLabel)
public:
    // The system symbol name for a phase; payloads do not matter.
    static QString symbol(const RelayPhase& phase);
    // The spoken label; its number comes only from `queued`.
    static QString accessibility(const RelayPhase& phase, qint64 queued);
    // Texts still to send in the batch, never below 0; 0 without a batch.
    static qint64 remaining(const std::optional<RelayBatch>& batch);

    // The count shows only while sending and something is left.
    static bool showsCount(const RelayPhase& phase, qint64 remaining);
    // The count as text, in full.
    static QString countText(qint64 remaining);
    // The count as it fits on a tray badge: capped at "99+".
    static QString badgeText(qint64 remaining);

    // The tile behind the symbol. The tray's own colour is unknown (it need not follow the
    // app's palette), so each tile is a mid tone that stands apart from light and dark panels
    // alike and carries a white symbol.
    static QColor tileColor(const RelayPhase& phase);

    // The sizes a tray asks for, in device-independent pixels.
    static const QList<int>& traySizes();
    // One rendering of the tray icon: the symbol on its tile plus, when it shows, the count
    // badge.
    static QImage render(const RelayPhase& phase, qint64 remaining, int size,
                         qreal devicePixelRatio);
    // The tray icon at every tray size and scale, each drawn when first asked for.
    static QIcon trayIcon(const RelayPhase& phase, qint64 remaining);
};
