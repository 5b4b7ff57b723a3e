#include "Features/Setup/StatusRow.h"

#include "Design/Type.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

StatusRow::StatusRow(QWidget* row, QWidget* symbol)
    : layout(new QHBoxLayout(row))
    , texts(new QVBoxLayout) {
    layout->setContentsMargins(0, 2, 0, 2);
    layout->setSpacing(12);
    symbol->setFixedWidth(22);
    layout->addWidget(symbol, 0, Qt::AlignTop);

    texts->setSpacing(3);
    title = new QLabel(row);
    title->setTextFormat(Qt::PlainText);
    title->setFont(Type::font(TypeStyle::Body, QFont::Medium));
    detail = new QLabel(row);
    detail->setTextFormat(Qt::PlainText);
    detail->setFont(Type::font(TypeStyle::Callout));
    detail->setWordWrap(true);
    texts->addWidget(title);
    texts->addWidget(detail);
    layout->addLayout(texts, 1);
}

void StatusRow::addControl(QWidget* control, Qt::Alignment alignment) const {
    layout->addWidget(control, 0, alignment);
}
