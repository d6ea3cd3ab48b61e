#include "window_on_line.h"

#include <QPushButton>

namespace {

// Both programs handle the channels alike; Sonvira stands for both.
struct Channel
{
    QLineEdit *box;
    QRadioButton *yes, *no;
    QPushButton *test;
};

std::array<Channel, 3> channels(Form1 &f)
{
    return {Channel{f.Text1, f.Option1, f.Option4, f.Canal1},
            Channel{f.Text2, f.Option2, f.Option5, f.Canal2},
            Channel{f.Text3, f.Option3, f.Option6, f.Canal3}};
}

TEST(Channels, ChoosingSiOrNoSetsTheWordWhateverItWas)
{
    WindowOnLine w(Edition::Sonvira);
    w.openPort();
    for (const Channel &c : channels(w.form)) {
        for (const char *was : {"Sin puerto", "Preparado", "Disparo", "Cerrado"}) {
            c.box->setText(QLatin1String(was));
            c.no->setChecked(true);
            EXPECT_EQ(c.box->text(), QStringLiteral("Cerrado")) << was;
            c.box->setText(QLatin1String(was));
            c.yes->setChecked(true);
            EXPECT_EQ(c.box->text(), QStringLiteral("Sin puerto")) << was;
        }
    }
    EXPECT_EQ(w.words(), "SSS");
    EXPECT_TRUE(w.fake.messages.texts.isEmpty());
}

TEST(Channels, PruebaFiresOrExplainsWhyNot)
{
    const struct
    {
        int channel;
        const char *word;
        bool portOpen;
        const char *after, *message;
    } rows[] = {
        {1, "Preparado", false, "Disparo", ""},
        {2, "Sin puerto", true, "Sin puerto", "No funciona con el Puerto COM Cerrado"},
        {3, "Cerrado", true, "Cerrado", "No funciona con el Canal 3 en NO"},
        {2, "Cerrado", false, "Cerrado", "No funciona con el Canal 2 y el Puerto COM Cerrados"},
        {1, "Cerrado", true, "Cerrado", "No funciona con el Canal 1 en NO"},
    };
    WindowOnLine w(Edition::Sonvira);
    const auto all = channels(w.form);
    for (const auto &row : rows) {
        SCOPED_TRACE(std::to_string(row.channel) + " " + row.word);
        if (row.portOpen != w.form.MSComm1->portOpen())
            row.portOpen ? w.openPort() : void(w.form.MSComm1->setPortOpen(false));
        for (const Channel &c : all)
            c.box->setText(QStringLiteral("Preparado"));
        const Channel &c = all[std::size_t(row.channel - 1)];
        c.box->setText(QLatin1String(row.word));
        w.fake.messages.texts.clear();
        c.test->click();
        EXPECT_EQ(c.box->text(), QLatin1String(row.after));
        EXPECT_EQ(w.fake.messages.texts.join('|'), QString::fromUtf8(row.message));
        for (const Channel &other : all) {
            if (&other != &c) {
                EXPECT_EQ(other.box->text(), QStringLiteral("Preparado"));
            }
        }
    }
    EXPECT_TRUE(w.pty.read(100).isEmpty()) << "the firing goes out with the next tick only";
}

TEST(Channels, SiWhileOpenIsReadyOnlyAfterAnOddTick)
{
    WindowOnLine w(Edition::Sonvira);
    w.openPort();
    w.useProgram("");
    w.tick("10:00:01.020");
    w.form.Option4->setChecked(true);
    w.form.Option1->setChecked(true);
    w.form.Canal1->click();
    EXPECT_EQ(w.fake.messages.texts, QStringList{"No funciona con el Puerto COM Cerrado"});
    EXPECT_EQ(carried(w.tick("10:00:02.020")), "10:00:02 70");
    EXPECT_EQ(w.words(), "SPP");
    EXPECT_EQ(carried(w.tick("10:00:03.020")), "10:00:03 71");
    w.form.Canal1->click();
    w.form.Canal1->click(); // before any tick: nothing more, no message
    EXPECT_EQ(w.fake.messages.texts.size(), 1);
    EXPECT_EQ(carried(w.tick("10:00:03.520")), "10:00:03 73");
    EXPECT_EQ(carried(w.tick("10:00:04.020")), "10:00:04 70");
}

} // namespace
