#include "window_on_line.h"

#include <QElapsedTimer>
#include <QTest>

namespace {

class Feedback : public ::testing::TestWithParam<Edition>
{
protected:
    Feedback() : w(GetParam())
    {
        w.openPort();
        w.useProgram("");
        w.form.setDispatchObserver([this](const char *handler) {
            if (QLatin1String(handler) == QLatin1String("MSComm1_OnComm"))
                events.append(w.form.MSComm1->commEvent());
            return true;
        });
    }
    WindowOnLine w;
    QList<int> events;
};

TEST_P(Feedback, SendNotificationShowsWhereTheFrameWent)
{
    w.form.Texto_Mensajes->setText(QStringLiteral("-"));
    w.form.MSComm1_OnComm(); // no notification under way: no code to act on
    EXPECT_EQ(w.form.Texto_Mensajes->text(), QStringLiteral("-"));

    w.tickOnly("08:00:00.020");
    EXPECT_EQ(w.sendingText, w.sendingWord());
    w.form.Texto_Mensajes->setText(QStringLiteral("-"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return events.contains(MSComm::EventSend); }, 2000));
    EXPECT_EQ(w.form.Texto_Mensajes->text(), GetParam() == Edition::Sonvira
                                                 ? QStringLiteral("Enviando por COM2")
                                                 : QStringLiteral("Enviando"));
}

TEST_P(Feedback, ReceivedCharactersAreTakenAndChangeNothing)
{
    w.form.Texto_Mensajes->setText(QStringLiteral("-"));
    ASSERT_TRUE(w.pty.write("eco"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return events.contains(MSComm::EventReceive); }, 2000));
    EXPECT_EQ(w.form.MSComm1->input(), QByteArray());
    EXPECT_EQ(w.form.Texto_Mensajes->text(), QStringLiteral("-"));
    EXPECT_EQ(w.words(), "SSS");
}

TEST_P(Feedback, FloodedLineHoldsUpNoTick)
{
    const QByteArray frame = [&] {
        w.fake.clock.setTime(QTime(8, 0, 0, 20));
        w.form.Timer1->start(); // ticks every 500 ms from this fake 08:00:00.020
        return QByteArray::fromHex("60584030201070");
    }();
    QByteArray line;
    qint64 flooded = 0, longestGap = 0;
    QElapsedTimer elapsed, sinceFrame;
    elapsed.start();
    sinceFrame.start();
    const QByteArray garbage(256, 'x');
    while (elapsed.elapsed() < 2600) {
        const ssize_t n = ::write(w.pty.masterFd(), garbage.constData(), garbage.size());
        flooded += std::max<ssize_t>(n, 0);
        const qsizetype before = line.size();
        line += w.pty.read(5, 0); // runs the event loop meanwhile
        if (line.size() / 7 > before / 7) {
            longestGap = std::max(longestGap, sinceFrame.restart());
        }
    }
    w.form.Timer1->stop();
    EXPECT_GE(line.size() / 7, 4);
    EXPECT_EQ(line.left(line.size() / 7 * 7), frame.repeated(line.size() / 7));
    EXPECT_LT(longestGap, 900) << "ms between two frames";
    EXPECT_GT(flooded, 50000) << "the received characters must keep being taken";
    EXPECT_TRUE(events.contains(MSComm::EventReceive));
}

INSTANTIATE_TEST_SUITE_P(BothPrograms, Feedback,
                         ::testing::Values(Edition::Sonvira, Edition::Repetidores),
                         [](const auto &info) { return programName(info.param).toStdString(); });

} // namespace
