#include "window_on_line.h"

#include <QPushButton>
#include <QTest>

#include <cerrno>
#include <functional>
#include <sys/inotify.h>
#include <unistd.h>

namespace {

class Tick : public ::testing::TestWithParam<Edition>
{
};

// A tick at a time of day, what it sends (time and command byte) and the channel
// words it leaves; before runs first, as the operator's action between ticks.
struct Row
{
    const char *at, *sent, *words;
    std::function<void(Form1 &)> before = {};
};

struct Sequence
{
    const char *name;
    QByteArray program;
    std::vector<Row> rows;
};

TEST_P(Tick, FireBitsFollowTheProgramAndThePresses)
{
    const auto press = [](QPushButton *Form1::*button) {
        return [button](Form1 &f) { (f.*button)->click(); };
    };
    const auto choose = [](QRadioButton *Form1::*option) {
        return [option](Form1 &f) { (f.*option)->setChecked(true); };
    };
    const std::vector<Row> evenSecond{{"07:29:59.020", "07:29:59 71", "PPP"},
                                      {"07:30:00.020", "07:30:00 74", "PDP"},
                                      {"07:30:00.520", "07:30:00 74", "PDP"},
                                      {"07:30:01.020", "07:30:01 75", "PPP"},
                                      {"07:30:01.520", "07:30:01 71", "PPP"}};
    const std::vector<Sequence> sequences{
        {"line due in an even second", "2,07:30:00\r\n", evenSecond},
        {"duplicated line", "2,07:30:00\r\n1,07:30:05\r\n2,07:30:00", evenSecond},
        {"line due in an odd second",
         "Canal,HH:MM:SS\r\n2,07:30:01\r\n",
         {{"07:29:59.020", "07:29:59 71", "PPP"},
          {"07:30:00.520", "07:30:00 70", "PPP"},
          {"07:30:01.020", "07:30:01 75", "PPP"},
          {"07:30:01.520", "07:30:01 75", "PPP"},
          {"07:30:02.020", "07:30:02 70", "PPP"}}},
        {"Prueba between the ticks of an even second (empty program)",
         "",
         {{"07:29:59.020", "07:29:59 71", "PPP"},
          {"07:30:00.020", "07:30:00 70", "PPP"},
          {"07:30:00.520", "07:30:00 72", "DPP", press(&Form1::Canal1)},
          {"07:30:01.020", "07:30:01 73", "PPP"},
          {"07:30:01.520", "07:30:01 71", "PPP"}}},
        {"two channels in one frame",
         "1,12:00:00\r3,12:00:00\r",
         {{"11:59:59.520", "11:59:59 71", "PPP"},
          {"12:00:00.020", "12:00:00 7a", "DPD"},
          {"12:00:01.020", "12:00:01 7b", "PPP"}}},
        {"channel on NO fires all the same",
         "2,07:30:00",
         {{"07:29:59.020", "07:29:59 71", "PCP", choose(&Form1::Option5)},
          {"07:30:00.020", "07:30:00 74", "PDP"},
          {"07:30:00.520", "07:30:00 74", "PDP"},
          {"07:30:01.020", "07:30:01 75", "PCP"},
          {"07:30:01.520", "07:30:01 71", "PCP"}}},
    };
    for (const Sequence &sequence : sequences) {
        SCOPED_TRACE(sequence.name);
        WindowOnLine w(GetParam());
        w.openPort();
        w.useProgram(sequence.program);
        for (const Row &row : sequence.rows) {
            if (row.before)
                row.before(w.form);
            EXPECT_EQ(carried(w.tick(row.at)), row.sent) << row.at;
            EXPECT_EQ(w.words(), row.words) << row.at;
            EXPECT_EQ(w.form.Texto_a_Enviar->text(), QString::fromLatin1(row.at).left(8));
            EXPECT_EQ(w.sendingText, w.sendingWord());
        }
        EXPECT_TRUE(w.fake.messages.texts.isEmpty())
            << w.fake.messages.texts.join('|').toStdString();
    }
}

// Counts the opens of one file, as the kernel reports them.
class OpenCounter
{
public:
    explicit OpenCounter(const QString &path) : fd_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
    {
        EXPECT_GE(inotify_add_watch(fd_, QFile::encodeName(path).constData(), IN_OPEN), 0);
    }
    ~OpenCounter() { ::close(fd_); }
    int take()
    {
        int opens = 0;
        alignas(inotify_event) char buffer[4096];
        for (ssize_t n; (n = ::read(fd_, buffer, sizeof buffer)) > 0;)
            for (const char *p = buffer; p < buffer + n;
                 p += sizeof(inotify_event) + reinterpret_cast<const inotify_event *>(p)->len)
                ++opens;
        return opens;
    }

private:
    int fd_;
};

TEST_P(Tick, ClosedPortShowsStoppedSendsNothingAndReadsNoProgram)
{
    WindowOnLine w(GetParam());
    OpenCounter opens(w.useProgram("2,07:30:00\r\n2,07:30:01\r\n"));
    w.openPort();
    EXPECT_EQ(carried(w.tick("07:29:59.520")), "07:29:59 71");
    EXPECT_EQ(opens.take(), 1);
    EXPECT_EQ(carried(w.tick("07:30:00.020")), "07:30:00 74");
    EXPECT_EQ(opens.take(), 1) << "the program is read afresh on every tick";

    ASSERT_TRUE(w.form.MSComm1->setPortOpen(false));
    w.form.Text2->setText(QStringLiteral("Preparado"));
    for (const char *at : {"07:30:00.520", "07:30:01.020"}) {
        EXPECT_TRUE(w.tick(at, nullptr, 300).isEmpty()) << at;
        EXPECT_EQ(w.form.Texto_Mensajes->text(), QStringLiteral("Detenido..."));
        EXPECT_EQ(w.form.Label6->text(), regionalTimeText(w.fake.clock.now().time()));
        EXPECT_EQ(w.words(), "PPP");
        EXPECT_EQ(w.form.Texto_a_Enviar->text(), QStringLiteral("07:30:00"));
    }
    EXPECT_EQ(opens.take(), 0);
    EXPECT_TRUE(w.fake.messages.texts.isEmpty());
}

TEST_P(Tick, FailedWriteTellsTwiceWithoutStackingAndTheNextTickSendsAfresh)
{
    WindowOnLine w(GetParam());
    w.openPort();
    w.useProgram("2,07:30:00\r\n");
    QStringList &texts = w.fake.messages.texts;
    const QString failed = QStringLiteral("Ocurrió error al enviar");
    const auto twoMessages = [&] {
        return QStringList{
            QStringLiteral("Ocurrió un error al intentar acceder a repetidores esclavos"),
            QStringLiteral("Sistema detectó: ") + w.form.MSComm1->errorString()};
    };
    EXPECT_EQ(carried(w.tick("07:29:59.520")), "07:29:59 71");

    w.pty.closeMaster(); // the adapter is pulled out
    errno = ENOTTY;      // as in the serial component's own test: Qt must see the hang-up
    QTest::qWait(100);
    w.tick("07:30:00.020");
    EXPECT_FALSE(w.form.MSComm1->errorString().isEmpty());
    EXPECT_EQ(texts, twoMessages());
    EXPECT_EQ(w.form.Texto_Mensajes->text(), failed);
    EXPECT_EQ(w.form.Texto_a_Enviar->text(), QStringLiteral("07:30:00"));
    EXPECT_EQ(w.words(), "PDP") << "the words keep what the tick made of them";

    // A tick during the first box fails as well: it only writes the status.
    int nested = 0;
    w.fake.messages.whileOpen = [&](const QString &) {
        if (nested++ == 0) {
            w.tick("07:30:01.020");
            EXPECT_EQ(texts.size(), 3);
            EXPECT_EQ(w.form.Texto_Mensajes->text(), failed);
        }
    };
    w.tick("07:30:00.520");
    EXPECT_EQ(texts.mid(2), twoMessages());
    EXPECT_EQ(w.fake.messages.open, 0);

    // The adapter comes back while the boxes are open: the tick then sends, and the
    // boxes closing later do not bring the old failure back to the status.
    PseudoTerminal back;
    QString statusWhenClosed;
    nested = 0;
    w.fake.messages.whileOpen = [&](const QString &) {
        if (nested++ == 0) {
            w.linkCom2(back);
            EXPECT_EQ(carried(w.tick("07:30:02.020", &back)), "07:30:02 70");
        }
        statusWhenClosed = w.form.Texto_Mensajes->text();
    };
    w.tick("07:30:01.520");
    EXPECT_EQ(texts.size(), 6);
    EXPECT_NE(statusWhenClosed, failed);
    EXPECT_EQ(w.form.Texto_Mensajes->text(), statusWhenClosed);

    EXPECT_EQ(carried(w.tick("07:30:02.520", &back)), "07:30:02 70");
    EXPECT_EQ(w.sendingText, w.sendingWord());
    EXPECT_EQ(texts.size(), 6);
}

TEST(TickProgram, UnreadableProgramIsToldOnceWhileFramesGoOn)
{
    WindowOnLine w(Edition::Sonvira);
    w.openPort();
    const QString path = w.useProgram("2,07:30:01\r\n");
    QFile program(path);
    const auto unreadable = [&] { ASSERT_TRUE(program.resize(65 * 1024 * 1024)); };
    const auto readable = [&] { ASSERT_TRUE(program.resize(12)); };
    QStringList &texts = w.fake.messages.texts;
    const auto told = [&](const char *why) {
        return texts.size() == 1 && texts[0].contains(path) &&
               texts[0].contains(QLatin1String(why));
    };

    unreadable();
    EXPECT_EQ(carried(w.tick("07:30:00.020")), "07:30:00 70");
    EXPECT_TRUE(told("demasiado grande")) << texts.join('|').toStdString();
    EXPECT_EQ(carried(w.tick("07:30:00.520")), "07:30:00 70");
    EXPECT_EQ(texts.size(), 1);

    readable();
    EXPECT_EQ(carried(w.tick("07:30:01.020")), "07:30:01 75");
    unreadable();
    texts.clear();
    // The notice is modal, yet the ticks go on under it, and stack no other.
    w.fake.messages.whileOpen = [&](const QString &) {
        EXPECT_EQ(carried(w.pty.readCount(7)), "07:30:01 71") << "sent before the notice";
        EXPECT_EQ(carried(w.tick("07:30:02.020")), "07:30:02 70");
        EXPECT_EQ(texts.size(), 1);
    };
    w.tickOnly("07:30:01.520");
    EXPECT_TRUE(told("demasiado grande")) << texts.join('|').toStdString();
    w.fake.messages.whileOpen = {};

    readable();
    EXPECT_EQ(carried(w.tick("07:30:02.520")), "07:30:02 70");
    ASSERT_TRUE(program.remove());
    w.form.File2->refresh();
    texts.clear();
    EXPECT_EQ(carried(w.tick("07:30:03.020")), "07:30:03 71");
    ASSERT_EQ(texts.size(), 1);
    EXPECT_TRUE(
        texts[0].startsWith(QStringLiteral("No hay ningún programa de timbres seleccionado")));
}

INSTANTIATE_TEST_SUITE_P(BothPrograms, Tick,
                         ::testing::Values(Edition::Sonvira, Edition::Repetidores),
                         [](const auto &info) { return programName(info.param).toStdString(); });

} // namespace
