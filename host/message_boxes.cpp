#include "host/message_boxes.h"

#include <QMessageBox>

void ModalMessageBoxes::present(const QString &text)
{
    if (dismissed_)
        return;
    QMessageBox box(QMessageBox::NoIcon, title_, text, QMessageBox::Ok, parent_.data());
    shown_.append(&box);
    box.exec();
    shown_.removeAll(&box);
}

void ModalMessageBoxes::dismissAll()
{
    dismissed_ = true;
    for (const QPointer<QMessageBox> &box : shown_)
        if (box)
            box->done(QMessageBox::Ok);
}
