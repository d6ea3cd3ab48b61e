// A Qt generic plugin that plays the operator who closes every message box with
// its first button, for runs of the real programs with nobody at the screen (the
// line measurement). Loaded only when asked for:
//
//   QT_PLUGIN_PATH=<build>/tools/measure_line/plugins QT_QPA_GENERIC_PLUGINS=sonvira-box-closer
//
// Each box it closes is told on standard error, so that a run shows what the
// program had to say.
#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QGenericPlugin>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

#include <cstdio>

namespace {

class BoxCloser : public QObject
{
public:
    // Not a child of the application: Qt deletes what a generic plugin made itself,
    // when the application goes.
    explicit BoxCloser(QObject *application) { application->installEventFilter(this); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        // The type test comes first: every event of the program passes here.
        if (event->type() == QEvent::Show) {
            if (auto *box = qobject_cast<QMessageBox *>(watched))
                closeSoon(box);
        }
        return false;
    }

private:
    static void closeSoon(QMessageBox *box)
    {
        // A moment later, as a person would: the box's own loop must be running.
        QTimer::singleShot(100, box, [box = QPointer<QMessageBox>(box)] {
            if (!box || !box->isVisible())
                return;
            std::fprintf(stderr, "caja cerrada: %s\n", box->text().toLocal8Bit().constData());
            const QList<QAbstractButton *> buttons = box->buttons();
            if (buttons.isEmpty())
                box->close();
            else
                buttons.first()->click();
        });
    }
};

} // namespace

class BoxCloserPlugin : public QGenericPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "box_closer.json")

public:
    QObject *create(const QString &key, const QString &) override
    {
        if (key.compare(QLatin1String("sonvira-box-closer"), Qt::CaseInsensitive) != 0)
            return nullptr;
        return new BoxCloser(QCoreApplication::instance());
    }
};

#include "box_closer.moc"
