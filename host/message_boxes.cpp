#include "host/message_boxes.h"

#include <QMessageBox>

void ModalMessageBoxes::present(const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, title_, text, QMessageBox::Ok, parent_.data());
    box.exec();
}
