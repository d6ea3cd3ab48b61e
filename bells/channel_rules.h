#pragma once

#include "bells/frame.h"

#include <QString>
#include <QStringView>
#include <QTime>

#include <array>
#include <optional>
#include <string>
#include <string_view>

// The rules of the three bell channels, on plain values: the window's handlers read
// the state boxes and "SI" options, call these, and write back what they return.

// The channel state words: the whole text of a state box, compared exactly.
inline constexpr QStringView noPortWord = u"Sin puerto";
inline constexpr QStringView readyWord = u"Preparado";
inline constexpr QStringView firingWord = u"Disparo";
inline constexpr QStringView closedWord = u"Cerrado";

// Channels 1 to 3, in that order.
using ChannelWords = std::array<QString, 3>;
using ChannelChoices = std::array<bool, 3>; // true where "SI" is selected

// The word a channel takes when the operator chooses "SI" or "NO", and when the
// port closes: "Sin puerto" if enabled, else "Cerrado".
QStringView unconfirmedWord(bool enabled);
ChannelWords closingWords(ChannelChoices enabled);

// The word the odd-second tick leaves: "Preparado" if enabled, else "Cerrado".
QStringView restingWord(bool enabled);

// What pressing "Prueba" of a channel does. At most one of the two is set.
struct TestPress
{
    std::optional<QStringView> newWord; // the channel's word becomes this
    QString message;                    // a message box with this text, when not empty
};

// channel is 1, 2 or 3; word is the channel's word as the box holds it.
TestPress testPress(int channel, QStringView word, bool portOpen);

// The tick time: "HH:MM:SS" on the 24-hour clock, whatever the regional format.
// An invalid time gives an empty text, which no frame is built from.
std::string tickTimeText(const QTime &time);

// True when the units digit of the tick time's seconds is odd.
bool oddSecond(std::string_view tickTime);

struct TickResult
{
    Frame frame;        // to send
    ChannelWords words; // the channel words after the tick
};

// One tick with the port open, from the channels' words and "SI" choices, the tick
// time and the channels that the bell program makes due now. Due channels fire
// whatever their choice; the frame carries the fire bits of every word then
// "Disparo"; in an odd second, after the frame is built, every channel returns to
// its resting word. Nothing when the tick time is not a time of day.
std::optional<TickResult> tickChannels(const ChannelWords &words, ChannelChoices enabled,
                                       std::string_view tickTime, FireFlags due);
