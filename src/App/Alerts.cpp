#include "App/Alerts.h"

#include "Design/BrandMark.h"

#include <QAbstractButton>
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
    box.exec();
    const int index = added.indexOf(box.clickedButton());
    // Closing the box without a button counts as the last (the cancelling) one.
    return added.isEmpty() ? 0 : (index >= 0 ? index : int(added.size()) - 1);
}
