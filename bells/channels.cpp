#include "app/form1.h"

#include "bells/channel_rules.h"
#include "serial/mscomm.h"

#include <QLineEdit>

namespace {

// "Prueba" only decides on the word: the firing itself goes out with the next
// tick's frame. The message box comes last, so nothing is held across it while
// ticks keep running underneath.
void pressTest(Form1 &form, int channel, QLineEdit *stateBox)
{
    const TestPress press = testPress(channel, stateBox->text(), form.MSComm1->portOpen());
    if (press.newWord)
        stateBox->setText(press.newWord->toString());
    if (!press.message.isEmpty())
        form.host().messages.show(press.message);
}

} // namespace

void Form1::Option1_Click()
{
    Text1->setText(unconfirmedWord(true).toString());
}

void Form1::Option2_Click()
{
    Text2->setText(unconfirmedWord(true).toString());
}

void Form1::Option3_Click()
{
    Text3->setText(unconfirmedWord(true).toString());
}

void Form1::Option4_Click()
{
    Text1->setText(unconfirmedWord(false).toString());
}

void Form1::Option5_Click()
{
    Text2->setText(unconfirmedWord(false).toString());
}

void Form1::Option6_Click()
{
    Text3->setText(unconfirmedWord(false).toString());
}

void Form1::Canal1_Click()
{
    pressTest(*this, 1, Text1);
}

void Form1::Canal2_Click()
{
    pressTest(*this, 2, Text2);
}

void Form1::Canal3_Click()
{
    pressTest(*this, 3, Text3);
}

// Whoever needs a channel's word reads its box at that moment, so a change of the
// box has nothing to do.
void Form1::Text1_Change() {}
void Form1::Text2_Change() {}
void Form1::Text3_Change() {}
