// The clock tick: twice a second it shows the time and, while the port is open,
// fires what the bell program makes due and sends the satellites the time frame.
#include "app/clickable_label.h"
#include "app/file_list_box.h"
#include "app/form1.h"
#include "app/handlers/system_detected.h"
#include "bells/bell_program.h"
#include "bells/channel_rules.h"
#include "serial/mscomm.h"

#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QScopedValueRollback>

#include <cstdlib>

namespace {

QString unreadableProgramNotice(const QString &path, const QString &why)
{
    const QString consequence =
        QStringLiteral("Los relojes siguen en hora, pero no sonará ningún timbre del programa.");
    if (path.isEmpty())
        return QStringLiteral("No hay ningún programa de timbres seleccionado en \"Programa en "
                              "uso\". ") +
               consequence;
    if (!QFileInfo::exists(path) && !QFileInfo(path).isSymLink())
        return QStringLiteral("No existe el programa de timbres %1. ")
                   .arg(QDir::toNativeSeparators(path)) +
               consequence;
    return QStringLiteral("No se puede leer el programa de timbres %1: %2. ")
               .arg(QDir::toNativeSeparators(path), why) +
           consequence;
}

QString loneLineFeedNotice(const QString &path)
{
    return QStringLiteral(
               "El programa de timbres %1 tiene líneas que terminan solo con un salto de línea "
               "(LF), como las guarda un editor de Linux: esas líneas se leen unidas y sus "
               "timbres no sonarán, o sonarán a otra hora. Guárdelo con finales de línea CR LF "
               "(los de Windows); \"timbres-check %1\" muestra qué líneas están afectadas.")
        .arg(QDir::toNativeSeparators(path));
}

} // namespace

void Form1::Label6_Click()
{
    Label6->setText(regionalTimeText(host_.clock.now().time()));
}

void Form1::Timer1_Timer()
{
    Label6_Click();
    journal_.tick();
    journal_.programChosen(programInUse());
    if (!MSComm1->portOpen()) {
        Texto_Mensajes->setText(QStringLiteral("Detenido..."));
        return;
    }
    const std::string tickTime = tickTimeText(host_.clock.now().time());

    QString notice;
    const FireFlags due = dueFromProgram(tickTime, &notice);

    const std::optional<TickResult> result =
        tickChannels(channelWords(), enabledChannels(), tickTime, due);
    if (!result)
        return; // not a time of day: nothing a satellite could show
    setChannelWords(result->words);

    Texto_a_Enviar->setText(QString::fromLatin1(tickTime.data(), qsizetype(tickTime.size())));
    Texto_Mensajes->setText(sendingText(QStringLiteral("Enviando...")));
    sendFrame(result->frame, firingSources(result->frame, due, tickTime));

    if (!notice.isEmpty()) {
        const QScopedValueRollback open(programNoticeOpen_, true);
        host_.messages.show(notice);
    }
}

// The name chosen last: when that file has gone, it is still the one asked for,
// and the operator is told that it is missing rather than that none is chosen.
QString Form1::programInUse() const
{
    const QString name = File2->rememberedName();
    return name.isEmpty() ? QString() : QDir(File2->path()).filePath(name);
}

// The program that "Programa en uso" shows is read afresh on every tick, so an edit
// or another choice counts from this very tick. One that cannot be read fires
// nothing; the frame still goes out, since the satellites keep the time without a
// program. A program read with lines joined (line feeds alone) is read by the same
// rule as ever, and the operator told why its bells may not ring. Each trouble is
// told once, after the frame, and again only once the program was free of it in
// between.
FireFlags Form1::dueFromProgram(const std::string &tickTime, QString *notice)
{
    const QString path = programInUse();
    const auto tellOnce = [&](bool &told, const QString &text) {
        if (!told && !programNoticeOpen_) {
            told = true;
            *notice = text;
        }
    };
    QString why;
    if (path.isEmpty() ||
        !program_.read(path, maxProgramSize, SmallFileReader::Beyond::Refuse, &why)) {
        if (!path.isEmpty())
            journal_.programRead(path, why, false);
        tellOnce(programTroubleTold_, unreadableProgramNotice(path, why));
        return {};
    }
    programTroubleTold_ = false;
    const bool loneLineFeeds = hasLoneLineFeed(program_.contents());
    journal_.programRead(path, {}, loneLineFeeds);
    if (loneLineFeeds)
        tellOnce(lineFeedsTold_, loneLineFeedNotice(path));
    else
        lineFeedsTold_ = false;
    return dueChannels(program_.contents(), tickTime);
}

// Asked only when the frame fires a channel, which is rare: the program just read
// is still in the reader's buffer.
std::array<QString, 3> Form1::firingSources(const Frame &frame, FireFlags due,
                                            const std::string &tickTime) const
{
    std::array<QString, 3> sources;
    if (firedChannels(frame[6]) == FireFlags{})
        return sources;
    const std::array<int, 3> lines =
        due == FireFlags{} ? std::array<int, 3>{} : dueLineNumbers(program_.contents(), tickTime);
    const QString program = QFileInfo(programInUse()).fileName();
    for (std::size_t i = 0; i < sources.size(); ++i)
        sources[i] =
            due[i] ? QStringLiteral("%1:%2").arg(program).arg(lines[i]) : QStringLiteral("Prueba");
    return sources;
}

// Ticks go on while the boxes are open. The status is written first, as the state
// of the line at this tick: written after the boxes it could cover a later tick's
// news. A lost line fails every tick: the pair of boxes comes at the first failing
// tick of an outage and then at most once a minute while it lasts, so that the
// operator can still reach "Cerrar puerto"; never while one pair is open. The line
// coming back ends the outage.
void Form1::sendFrame(const Frame &frame, const std::array<QString, 3> &sources)
{
    const QByteArray bytes(reinterpret_cast<const char *>(frame.data()), qsizetype(frame.size()));
    if (MSComm1->setOutput(bytes)) {
        sendFailureToldAt_ = {};
        journal_.frameSent(frame, sources);
        emit frameHandled(true);
        return;
    }
    const QString description = MSComm1->errorString();
    journal_.frameNotSent(description);
    emit frameHandled(false);
    Texto_Mensajes->setText(QStringLiteral("Ocurrió error al enviar"));
    const QDateTime now = host_.clock.now();
    const bool remind = !sendFailureToldAt_.isValid() ||
                        std::abs(sendFailureToldAt_.secsTo(now)) >= sendFailureReminderSeconds;
    if (sendFailureOpen_ || !remind)
        return;
    sendFailureToldAt_ = now;
    const QScopedValueRollback open(sendFailureOpen_, true);
    host_.messages.show(
        QStringLiteral("Ocurrió un error al intentar acceder a repetidores esclavos"));
    host_.messages.show(systemDetected(description));
}
