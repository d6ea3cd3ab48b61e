// The channels' "SI", "NO" and "Prueba", and their state boxes.
#include "app/form1.h"
#include "serial/mscomm.h"

#include <QLineEdit>

void Form1::Yes_Click(int channel)
{
    channels[std::size_t(channel)].state->setText(unconfirmedWord(true).toString());
}

void Form1::No_Click(int channel)
{
    channels[std::size_t(channel)].state->setText(unconfirmedWord(false).toString());
}

// "Prueba" only decides on the word: the firing itself goes out with the next
// tick's frame. The message box comes last, so nothing is held across it while
// ticks keep running underneath.
void Form1::Canal_Click(int channel)
{
    QLineEdit *state = channels[std::size_t(channel)].state;
    const TestPress press = testPress(channel + 1, state->text(), MSComm1->portOpen());
    if (press.newWord)
        state->setText(press.newWord->toString());
    if (!press.message.isEmpty())
        host_.messages.show(press.message);
}

// Whoever needs a channel's word reads its box at that moment, so a change of the
// box has nothing to do.
void Form1::Text_Change(int) {}
