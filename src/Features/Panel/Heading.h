#pragma once

#include <QLabel>

// A label that assistive technologies announce as a heading. Qt's labels have no heading flag,
// so an accessibility factory gives this class the Heading role.
class HeadingLabel : public QLabel {
    Q_OBJECT
public:
    explicit HeadingLabel(QWidget* parent = nullptr);
};
