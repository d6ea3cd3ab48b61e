#include "window_on_line.h"

// Both programs handle the channels alike; Sonvira stands for both. "Prueba" reads the
// channel's word and the port (the rules are the channel rules' own test), tells or
// fires, and its firing goes out with the next tick only.
TEST(Channels, PruebaFiresOrTellsWhyNot)
{
    WindowOnLine w(Edition::Sonvira);
    // The channel pressed, its word, whether the port is open; the words after, the message.
    const std::tuple<int, const char *, bool, const char *, const char *> presses[] = {
        {1, "Preparado", false, "DPP", ""},
        {2, "Cerrado", false, "PCP", "No funciona con el Canal 2 y el Puerto COM Cerrados"},
        {3, "Cerrado", true, "PPC", "No funciona con el Canal 3 en NO"},
    };
    for (const auto &[channel, word, open, after, told] : presses) {
        SCOPED_TRACE(after);
        if (open && !w.form->MSComm1->portOpen())
            w.open();
        for (int i = 0; i < 3; ++i)
            w.form->channels[std::size_t(i)].state->setText(i + 1 == channel ? word : "Preparado");
        w.told().clear();
        w.form->findChild<QPushButton *>(QStringLiteral("Canal%1").arg(channel))->click();
        EXPECT_EQ(w.told().join(u'|'), QString::fromUtf8(told));
        EXPECT_EQ(w.words(), after);
    }
    EXPECT_TRUE(w.pty.read(100).isEmpty()) << "the firing goes out with the next tick only";
}
