#include "host/message_boxes.h"

#include <QMessageBox>

#include <cstdio>

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

void AnsweredMessageBoxes::present(const QString &text)
{
    if (listener_)
        return listener_(text);
    std::fprintf(stderr, "%s: %s\n", qPrintable(program_), text.toLocal8Bit().constData());
    std::fflush(stderr);
}
