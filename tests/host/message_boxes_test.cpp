#include "host/message_boxes.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// The box waits for the operator while timers keep firing; the test plays the
// operator once a few ticks have gone by.
TEST(ModalMessageBoxes, ShowsOneOkBoxAndKeepsTimersRunning)
{
    ModalMessageBoxes boxes(QStringLiteral("repetidores"));
    int ticks = 0;
    QString title, text;
    int buttons = -1;
    QMessageBox::Icon icon = QMessageBox::Critical;

    QTimer timer;
    timer.setInterval(10);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        ++ticks;
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || ticks < 3)
            return;
        title = box->windowTitle();
        text = box->text();
        icon = box->icon();
        buttons = int(box->buttons().size());
        if (QAbstractButton *ok = box->button(QMessageBox::Ok))
            ok->click();
        else
            box->reject();
    });
    timer.start();
    boxes.show(QStringLiteral("Puertos COM: cerrados OK"));
    timer.stop();

    EXPECT_GE(ticks, 3);
    EXPECT_EQ(title, QStringLiteral("repetidores"));
    EXPECT_EQ(text, QStringLiteral("Puertos COM: cerrados OK"));
    EXPECT_EQ(icon, QMessageBox::NoIcon);
    EXPECT_EQ(buttons, 1);
}

} // namespace
