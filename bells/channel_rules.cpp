#include "bells/channel_rules.h"

QStringView unconfirmedWord(bool enabled)
{
    return enabled ? noPortWord : closedWord;
}

ChannelWords closingWords(ChannelChoices enabled)
{
    ChannelWords words;
    for (std::size_t i = 0; i < words.size(); ++i)
        words[i] = unconfirmedWord(enabled[i]).toString();
    return words;
}

QStringView restingWord(bool enabled)
{
    return enabled ? readyWord : closedWord;
}

TestPress testPress(int channel, QStringView word, bool portOpen)
{
    // The port is looked at only for a closed channel: "Preparado" and "Sin puerto"
    // decide on their own, even if the port changed since they were written.
    if (word == readyWord)
        return {firingWord, {}};
    if (word == noPortWord)
        return {std::nullopt, QStringLiteral("No funciona con el Puerto COM Cerrado")};
    if (word == closedWord && portOpen)
        return {std::nullopt, QStringLiteral("No funciona con el Canal %1 en NO").arg(channel)};
    if (word == closedWord)
        return {
            std::nullopt,
            QStringLiteral("No funciona con el Canal %1 y el Puerto COM Cerrados").arg(channel)};
    return {}; // a firing is pending already
}

std::string tickTimeText(const QTime &time)
{
    if (!time.isValid())
        return {};
    const auto two = [](int value) {
        return std::string{char('0' + value / 10), char('0' + value % 10)};
    };
    return two(time.hour()) + ':' + two(time.minute()) + ':' + two(time.second());
}

bool oddSecond(std::string_view tickTime)
{
    return !tickTime.empty() && ((tickTime.back() - '0') & 1) != 0;
}

std::optional<TickResult> tickChannels(const ChannelWords &words, ChannelChoices enabled,
                                       std::string_view tickTime, FireFlags due)
{
    TickResult result{{}, words};
    FireFlags fire{};
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (due[i])
            result.words[i] = firingWord.toString();
        fire[i] = result.words[i] == firingWord;
    }
    const std::optional<Frame> frame = encodeFrame(tickTime, fire);
    if (!frame)
        return std::nullopt;
    result.frame = *frame;
    if (oddSecond(tickTime)) {
        for (std::size_t i = 0; i < words.size(); ++i)
            result.words[i] = restingWord(enabled[i]).toString();
    }
    return result;
}
