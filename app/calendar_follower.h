#pragma once

#include "bells/calendar.h"
#include "host/small_file.h"

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>

#include <optional>

// Follows calendario.txt of the data folder: asked at start-up and at every tick, it
// says when the day's program is to be selected (the first time, on a new day, after
// the file changed) and what is to be told about the file, each thing once. Without
// the file it never says anything. A file that cannot be read changes nothing: the
// day keeps the program it has.
class CalendarFollower
{
public:
    explicit CalendarFollower(QString dataFolder);

    struct Choice
    {
        QString program; // the program's path; empty for "ninguno" or no rule
        int line = 0;    // the rule's line; 0 when no rule covers the day
        bool none = false;
    };
    struct Outcome
    {
        std::optional<Choice> choice; // to select now
        QString notice;               // to tell the operator now; empty when nothing new
    };
    Outcome follow(const QDate &today);

    // The file is there (readable or not): a choice of the operator is one to log.
    bool present() const { return present_; }
    // The day's rule says "ninguno": an empty "Programa en uso" is meant.
    bool noBellsToday() const { return noBells_; }
    QString fileName() const;

private:
    QString unreadable(const QString &why);
    QString problems(Calendar &calendar);

    QString path_;
    QString folder_;
    SmallFileReader reader_;
    QByteArray contents_; // as last read well
    bool readWell_ = false;
    bool present_ = false;
    bool noBells_ = false;
    QDate day_;
    QString troubleTold_; // why it could not be read, as last told
    QStringList problemsTold_;
};
