#pragma once

#include <Qt>

class QHBoxLayout;
class QLabel;
class QVBoxLayout;
class QWidget;

// The layout Setup's status rows share: the status symbol in a narrow column, the title over
// its explanation, then the control that acts on it, all aligned to the top.
struct StatusRow {
    // Lays out `row` with `symbol` (made by the row, shown in its column) and makes the title and
    // the explanation, both plain text.
    StatusRow(QWidget* row, QWidget* symbol);

    QHBoxLayout* layout;
    // Title, explanation, then whatever the row adds below them.
    QVBoxLayout* texts;
    QLabel* title;
    QLabel* detail;

    // The control goes last, at the top.
    void addControl(QWidget* control, Qt::Alignment alignment = Qt::AlignTop) const;
};
