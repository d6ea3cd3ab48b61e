#include "app/form1.h"

#include "app/clickable_label.h"
#include "app/file_list_box.h"
#include "bells/bell_program.h"
#include "bells/channel_rules.h"
#include "serial/mscomm.h"

#include <QDir>
#include <QLineEdit>
#include <QRadioButton>
#include <QScopedValueRollback>

namespace {

QString unreadableProgramNotice(const QString &path, const QString &why)
{
    const QString consequence =
        QStringLiteral("Los relojes siguen en hora, pero no sonará ningún timbre del programa.");
    if (path.isEmpty())
        return QStringLiteral("No hay ningún programa de timbres seleccionado en \"Programa en "
                              "uso\". ") +
               consequence;
    return QStringLiteral("No se puede leer el programa de timbres %1: %2. ")
               .arg(QDir::toNativeSeparators(path), why) +
           consequence;
}

} // namespace

void Form1::Label6_Click()
{
    Label6->setText(regionalTimeText(host_.clock.now().time()));
}

void Form1::Timer1_Timer()
{
    Label6_Click();
    if (!MSComm1->portOpen()) {
        Texto_Mensajes->setText(QStringLiteral("Detenido..."));
        return;
    }
    const std::string tickTime = tickTimeText(host_.clock.now().time());

    // The program that "Programa en uso" shows, read afresh: an edit or another
    // choice counts from this very tick.
    const QString name = File2->fileName();
    const QString path = name.isEmpty() ? QString() : QDir(File2->path()).filePath(name);
    const ProgramFileResult program = programFile_.read(path);
    FireFlags due{};
    QString notice;
    if (program.ok()) {
        due = dueChannels(program.text, tickTime);
        programTroubleTold_ = false;
    } else if (!programTroubleTold_ && !programNoticeOpen_) {
        // The frame still goes out: the satellites keep the time without a program.
        // The operator is told once, after the frame, and again only once the
        // program has been readable in between.
        programTroubleTold_ = true;
        notice = unreadableProgramNotice(path, program.description);
    }

    QLineEdit *const stateBoxes[] = {Text1, Text2, Text3};
    const QRadioButton *const enabledOptions[] = {Option1, Option2, Option3};
    ChannelWords words;
    ChannelChoices enabled;
    for (std::size_t i = 0; i < words.size(); ++i) {
        words[i] = stateBoxes[i]->text();
        enabled[i] = enabledOptions[i]->isChecked();
    }
    const std::optional<TickResult> result = tickChannels(words, enabled, tickTime, due);
    if (!result)
        return; // not a time of day: nothing a satellite could show
    for (std::size_t i = 0; i < words.size(); ++i)
        stateBoxes[i]->setText(result->words[i]);

    Texto_a_Enviar->setText(QString::fromLatin1(tickTime.data(), qsizetype(tickTime.size())));
    Texto_Mensajes->setText(edition_ == Edition::Sonvira
                                ? QStringLiteral("Enviando por ") + Etiq_Puerto->text()
                                : QStringLiteral("Enviando..."));

    const QByteArray frame(reinterpret_cast<const char *>(result->frame.data()),
                           qsizetype(result->frame.size()));
    if (!MSComm1->setOutput(frame)) {
        // Ticks go on while the boxes are open. The status is written now, as the
        // state of the line at this tick: written after the boxes it could cover a
        // later tick's news. A lost line fails every tick, so while one failure's
        // boxes are open later failures only update the status.
        const QString description = MSComm1->errorString();
        Texto_Mensajes->setText(QStringLiteral("Ocurrió error al enviar"));
        if (!sendFailureOpen_) {
            const QScopedValueRollback open(sendFailureOpen_, true);
            host_.messages.show(
                QStringLiteral("Ocurrió un error al intentar acceder a repetidores esclavos"));
            host_.messages.show(QStringLiteral("Sistema detectó: ") + description);
        }
    }

    if (!notice.isEmpty()) {
        const QScopedValueRollback open(programNoticeOpen_, true);
        host_.messages.show(notice);
    }
}
