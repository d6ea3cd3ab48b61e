#include "window_on_line.h"

// Both programs handle the channels alike; Sonvira stands for both. "SI" and "NO" set
// their own channel's word, even over a pending firing; "Prueba" follows the first
// rule that holds, and its firing goes out with the next tick only.
TEST(Channels, ChoicesSetTheWordAndPruebaFiresOrTellsWhyNot)
{
    WindowOnLine w(Edition::Sonvira);
    QLineEdit *const boxes[] = {w.form->channels[0].state, w.form->channels[1].state,
                                w.form->channels[2].state};
    for (auto [options, words] : {std::pair{"456", "CCC"}, {"123", "SSS"}}) {
        for (QLineEdit *box : boxes)
            box->setText(QStringLiteral("Disparo"));
        for (const char *n = options; *n; ++n)
            w.option(*n - '0')->setChecked(true);
        EXPECT_EQ(w.words(), words);
    }

    const struct
    {
        int channel;
        const char *word;
        bool open;
        const char *after, *told;
    } presses[] = {
        {1, "Preparado", false, "DPP", ""},
        {2, "Cerrado", false, "PCP", "No funciona con el Canal 2 y el Puerto COM Cerrados"},
        {2, "Sin puerto", true, "PSP", "No funciona con el Puerto COM Cerrado"},
        {3, "Cerrado", true, "PPC", "No funciona con el Canal 3 en NO"},
        {3, "Disparo", true, "PPD", ""},
    };
    for (const auto &row : presses) {
        SCOPED_TRACE(row.after);
        if (row.open && !w.form->MSComm1->portOpen())
            w.open();
        for (QLineEdit *box : boxes)
            box->setText(QStringLiteral("Preparado"));
        boxes[row.channel - 1]->setText(QLatin1String(row.word));
        w.told().clear();
        w.form->findChild<QPushButton *>(QStringLiteral("Canal%1").arg(row.channel))->click();
        EXPECT_EQ(w.told().join(u'|'), QString::fromUtf8(row.told));
        EXPECT_EQ(w.words(), row.after);
    }
    EXPECT_TRUE(w.pty.read(100).isEmpty()) << "the firing goes out with the next tick only";
}
