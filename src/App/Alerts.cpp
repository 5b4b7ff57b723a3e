#include "App/Alerts.h"

#include "Design/BrandMark.h"
#include "Design/ScreenFit.h"

#include <QAbstractButton>
#include <QFontMetrics>
#include <QLabel>
#include <QList>
#include <QMessageBox>
#include <QPushButton>

int showModalAlert(const QString& message, const QString& informative, const QStringList& buttons) {
    BrandMark::setAsApplicationIcon();
    QMessageBox box;
    box.setIcon(QMessageBox::Warning);
    box.setText(message);
    box.setInformativeText(informative);
    QList<QAbstractButton*> added;
    for (const QString& title : buttons)
        added.append(box.addButton(title, QMessageBox::AcceptRole));
    if (added.isEmpty())
        box.setStandardButtons(QMessageBox::Ok);
    else
        box.setDefaultButton(qobject_cast<QPushButton*>(added.first()));
    // A wrapped label picks a narrow width of its own; give each text the width it needs, up
    // to a comfortable line, so short messages stay on one line and long ones wrap evenly.
    for (QLabel* label : box.findChildren<QLabel*>()) {
        if (label->text().isEmpty() || !label->wordWrap())
            continue;
        const QFontMetrics metrics(label->font());
        int widest = 0;
        for (const QString& line : label->text().split(QLatin1Char('\n')))
            widest = qMax(widest, metrics.horizontalAdvance(line));
        label->setMinimumWidth(qMin(widest + 2, metrics.averageCharWidth() * 60));
    }
    ScreenFit::watch(&box);
    box.exec();
    const auto index = int(added.indexOf(box.clickedButton()));
    // Closing the box without a button counts as the last (the cancelling) one.
    return added.isEmpty() ? 0 : (index >= 0 ? index : int(added.size()) - 1);
}
