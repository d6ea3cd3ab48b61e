// What the window tells the operations log, each event once with its details, driven
// through the real window and serial component on a pseudo-terminal.
#include "window_on_line.h"

#include <QTest>

namespace {

// "WORD key=value key=value", as the test reads the recorded entries.
QStringList told(const RecordingOperationsLog &log)
{
    QStringList lines;
    for (const LogEntry &entry : log.entries) {
        lines += QLatin1String(logEventWord(entry.event));
        for (const auto &[key, value] : entry.details)
            lines.last() += u' ' + key + u'=' + value;
    }
    return lines;
}

} // namespace

// The port opened, a bell from the program (once for its three frames) and "Prueba";
// the program unreadable, readable, with line feeds alone; the adapter pulled out and
// put back (one send failure, back with the count of frames lost); closing, and an
// opening refused. Each told once, with its details.
TEST(OperationsLogEvents, TheLineAndTheProgramAsTheyHappen)
{
    WindowOnLine w(Edition::Sonvira);
    const QString program = w.fake.host.places.defaultProgram();
    const QString com2 = w.fake.dataFolder() + "/COM2";
    ASSERT_TRUE(w.put(w.settingsFile(), "\" 2\"\r\n"));
    ASSERT_TRUE(w.put(program, "Canal,HH:MM:SS\r\n2,07:30:00\r\n"));
    w.form->Form_Load();
    for (const char *at : {"07:30:00.020", "07:30:00.520", "07:30:01.020", "07:30:01.520"})
        w.frame(at);
    w.form->channels[0].test->click();
    w.frame("07:30:02.020"), w.frame("07:30:02.520");
    ASSERT_TRUE(QFile::remove(program));
    w.frame("07:30:03.020"), w.frame("07:30:03.520");
    ASSERT_TRUE(w.put(program, "2,07:30:00\n"));
    w.frame("07:30:04.020"), w.frame("07:30:04.520");
    w.pty.pullOut();
    w.tick("07:30:05.020"), w.tick("07:30:05.520"), w.tick("07:30:06.020");
    PseudoTerminal back;
    w.link(2, &back);
    EXPECT_EQ(w.frame("07:30:06.520", &back), "07:30:06 70");
    w.form->Boton_Cerrar->click(), w.link(2, nullptr), w.form->Boton_Abrir->click();

    const QString lost = "Se perdió el dispositivo " + com2 +
                         " del puerto COM2; se volverá a abrir en cuanto esté disponible";
    EXPECT_EQ(told(w.fake.log),
              (QStringList{"PUERTO_GUARDADO puerto=2",
                           "ABIERTO puerto=2 dispositivo=" + com2 + " ajustes= 300,N,8,1",
                           "PROGRAMA archivo=" + program,
                           "DISPARO canal=2 origen=timbres_1.txt:2 trama=60 57 43 30 20 10 74",
                           "DISPARO canal=1 origen=Prueba trama=60 57 43 30 20 12 72",
                           "PROGRAMA_ILEGIBLE archivo=" + program + " motivo=el archivo no existe",
                           "PROGRAMA_LEGIBLE archivo=" + program,
                           "PROGRAMA_SOLO_LF archivo=" + program, "PERDIDO puerto=2 motivo=" + lost,
                           "ERROR_ENVIO motivo=" + lost, "RECUPERADO puerto=2 tramas_perdidas=3",
                           "DESPEDIDA", "CERRADO puerto=2", "PUERTO_GUARDADO puerto=2",
                           "APERTURA_FALLIDA puerto=2 motivo=No se encuentra el dispositivo " +
                               com2 + " del puerto COM2"}));
}

// The PC's clock: its synchronisation lost and regained, a step, and the hour's
// summary of the line's figures.
TEST(OperationsLogEvents, TheClockAndTheHourlySummary)
{
    WindowOnLine w(Edition::Sonvira);
    w.start();
    w.fake.clock.set(QDateTime(QDate(2026, 12, 7), QTime(7, 0, 0, 20)));
    for (int half = 0; half < 8; ++half, w.fake.clock.advanceMs(500)) {
        w.fake.clockSync.current.synchronised = half < 4; // lost at the fifth tick
        w.frame();
    }
    w.fake.clockSync.current = {true, 2};
    // 07:00:04 carries one frame, 100 ms late; 07:00:05 two.
    for (const char *at : {"07:00:04.100", "07:00:05.020", "07:00:05.520"})
        w.frame(at);
    w.fake.clock.step(3592500); // to 07:59:58.020: no second in between is missed
    w.frame();
    w.fake.clock.step(2010); // an hour after the first tick: the summary, before its frame
    w.frame();
    EXPECT_EQ(
        told(w.fake.log).filter(QRegularExpression("^(RELOJ|SALTO|RESUMEN)")),
        (QStringList{
            "RELOJ sincronizado=no", "RELOJ sincronizado=si",
            "SALTO segundos=+3593 desde=2026-12-07T07:00:05.520 hasta=2026-12-07T07:59:58.020",
            "SALTO segundos=+2 desde=2026-12-07T07:59:58.020 hasta=2026-12-07T08:00:00.030",
            "RESUMEN tramas=12 segundos_irregulares=1 retraso_max_ms=100 "
            "reloj_sincronizado=si error_estimado_ms=2"}));
}
