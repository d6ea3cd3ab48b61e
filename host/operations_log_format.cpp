#include "host/operations_log_format.h"

#include <cstdio>

namespace {

bool isWordByte(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '.' || c == '-';
}

void appendWord(QByteArray &out, const QString &word)
{
    if (word.isEmpty())
        out += '_';
    for (QChar c : word)
        out += c.unicode() < 0x80 && isWordByte(char(c.unicode())) ? char(c.unicode()) : '_';
}

void appendHex(QByteArray &out, unsigned char byte)
{
    static const char digits[] = "0123456789ABCDEF";
    out += "\\x";
    out += digits[byte >> 4];
    out += digits[byte & 0xF];
}

// A character that some viewer would take as the end of the line, or that cannot
// be seen: C0 controls, DEL, C1 controls (U+0080 to U+009F) and U+2028, U+2029.
// Returns how many bytes of the UTF-8 text it spans at `at`, 0 when it is none.
qsizetype lineBreakerAt(const QByteArray &text, qsizetype at)
{
    const auto byte = [&](qsizetype i) { return i < text.size() ? uchar(text[i]) : 0; };
    const uchar c = byte(at);
    if (c < 0x20 || c == 0x7F)
        return 1;
    if (c == 0xC2 && byte(at + 1) >= 0x80 && byte(at + 1) <= 0x9F)
        return 2;
    if (c == 0xE2 && byte(at + 1) == 0x80 && (byte(at + 2) == 0xA8 || byte(at + 2) == 0xA9))
        return 3;
    return 0;
}

void appendValue(QByteArray &out, const QString &value)
{
    const QByteArray text = value.toUtf8();
    QByteArray escaped;
    escaped.reserve(text.size() + 2);
    bool quote = text.isEmpty();
    for (qsizetype i = 0; i < text.size();) {
        const char c = text[i];
        if (const qsizetype n = lineBreakerAt(text, i); n > 0) {
            quote = true;
            if (c == '\n')
                escaped += "\\n";
            else if (c == '\r')
                escaped += "\\r";
            else if (c == '\t')
                escaped += "\\t";
            else
                for (qsizetype k = 0; k < n; ++k)
                    appendHex(escaped, uchar(text[i + k]));
            i += n;
            continue;
        }
        if (c == '"' || c == '\\') {
            quote = true;
            escaped += '\\';
        } else if (c == ' ') {
            quote = true;
        }
        escaped += c;
        ++i;
    }
    if (quote)
        out += '"';
    out += escaped;
    if (quote)
        out += '"';
}

// Reads the line from left to right; every step fails on what formatLogLine
// would never have written.
class Cursor
{
public:
    explicit Cursor(QByteArrayView line) : line_(line) {}

    bool atEnd() const { return at_ == line_.size(); }

    bool skip(char c)
    {
        if (atEnd() || line_[at_] != c)
            return false;
        ++at_;
        return true;
    }

    std::optional<int> number(int digits)
    {
        int value = 0;
        for (int i = 0; i < digits; ++i, ++at_) {
            if (atEnd() || line_[at_] < '0' || line_[at_] > '9')
                return std::nullopt;
            value = value * 10 + (line_[at_] - '0');
        }
        return value;
    }

    QByteArrayView word()
    {
        const qsizetype start = at_;
        while (!atEnd() && isWordByte(line_[at_]))
            ++at_;
        return line_.sliced(start, at_ - start);
    }

    std::optional<QString> value()
    {
        if (skip('"'))
            return quoted();
        const qsizetype start = at_;
        while (!atEnd() && line_[at_] != ' ') {
            const auto c = uchar(line_[at_]);
            if (c < 0x20 || c == 0x7F || c == '"' || c == '\\')
                return std::nullopt;
            ++at_;
        }
        if (at_ == start)
            return std::nullopt;
        return QString::fromUtf8(line_.sliced(start, at_ - start));
    }

private:
    std::optional<QString> quoted()
    {
        QByteArray text;
        for (;;) {
            if (atEnd())
                return std::nullopt;
            const auto c = uchar(line_[at_++]);
            if (c == '"')
                return QString::fromUtf8(text);
            if (c < 0x20 || c == 0x7F)
                return std::nullopt;
            if (c != '\\') {
                text += char(c);
                continue;
            }
            if (atEnd())
                return std::nullopt;
            switch (line_[at_++]) {
            case '"':
                text += '"';
                break;
            case '\\':
                text += '\\';
                break;
            case 'n':
                text += '\n';
                break;
            case 'r':
                text += '\r';
                break;
            case 't':
                text += '\t';
                break;
            case 'x': {
                const int high = hexDigit(), low = hexDigit();
                if (high < 0 || low < 0)
                    return std::nullopt;
                text += char(high * 16 + low);
                break;
            }
            default:
                return std::nullopt;
            }
        }
    }

    int hexDigit()
    {
        if (atEnd())
            return -1;
        const char c = line_[at_++];
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        return -1;
    }

    QByteArrayView line_;
    qsizetype at_ = 0;
};

std::optional<LogEvent> eventOf(QByteArrayView word)
{
    for (std::size_t i = 0; i < logEventWords.size(); ++i)
        if (word == QByteArrayView(logEventWords[i]))
            return LogEvent(i);
    return std::nullopt;
}

std::optional<QDateTime> readWhen(Cursor &in)
{
    const auto year = in.number(4);
    const bool dash1 = in.skip('-');
    const auto month = in.number(2);
    const bool dash2 = in.skip('-');
    const auto day = in.number(2);
    const bool blank = in.skip(' ');
    const auto hour = in.number(2);
    const bool colon1 = in.skip(':');
    const auto minute = in.number(2);
    const bool colon2 = in.skip(':');
    const auto second = in.number(2);
    const bool dot = in.skip('.');
    const auto ms = in.number(3);
    if (!(year && dash1 && month && dash2 && day && blank && hour && colon1 && minute && colon2 &&
          second && dot && ms))
        return std::nullopt;
    const QDate date(*year, *month, *day);
    const QTime time(*hour, *minute, *second, *ms);
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    return QDateTime(date, time, Qt::LocalTime);
}

} // namespace

QString LogEntry::detail(QLatin1StringView key) const
{
    for (const auto &[k, v] : details)
        if (k == key)
            return v.isNull() ? QString(QLatin1StringView("")) : v;
    return {};
}

QByteArray formatLogLine(const LogEntry &entry)
{
    const QDateTime local = entry.when.toLocalTime();
    const QDate date = local.date();
    const QTime time = local.time();
    char when[64];
    std::snprintf(when, sizeof when, "%04d-%02d-%02d %02d:%02d:%02d.%03d ", date.year(),
                  date.month(), date.day(), time.hour(), time.minute(), time.second(), time.msec());
    QByteArray line(when);
    appendWord(line, entry.program);
    line += ' ';
    line += logEventWord(entry.event);
    for (const auto &[key, value] : entry.details) {
        line += ' ';
        appendWord(line, key);
        line += '=';
        appendValue(line, value);
    }
    line += '\n';
    return line;
}

std::optional<LogEntry> parseLogLine(QByteArrayView line)
{
    if (line.endsWith('\n'))
        line.chop(1);
    if (line.endsWith('\r'))
        line.chop(1);
    Cursor in(line);
    LogEntry entry;
    const std::optional<QDateTime> when = readWhen(in);
    if (!when || !in.skip(' '))
        return std::nullopt;
    entry.when = *when;
    const QByteArrayView program = in.word();
    if (program.isEmpty() || !in.skip(' '))
        return std::nullopt;
    entry.program = QString::fromLatin1(program);
    const std::optional<LogEvent> event = eventOf(in.word());
    if (!event)
        return std::nullopt;
    entry.event = *event;
    while (!in.atEnd()) {
        if (!in.skip(' '))
            return std::nullopt;
        const QByteArrayView key = in.word();
        if (key.isEmpty() || !in.skip('='))
            return std::nullopt;
        std::optional<QString> value = in.value();
        if (!value)
            return std::nullopt;
        entry.details.append({QString::fromLatin1(key), std::move(*value)});
    }
    return entry;
}

QString logFrameText(QByteArrayView frame)
{
    QString text;
    text.reserve(frame.size() * 3);
    for (qsizetype i = 0; i < frame.size(); ++i) {
        if (i > 0)
            text += QLatin1Char(' ');
        text += QStringLiteral("%1").arg(uchar(frame[i]), 2, 16, QLatin1Char('0')).toUpper();
    }
    return text;
}
