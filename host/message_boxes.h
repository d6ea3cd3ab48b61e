#pragma once

#include <QList>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>

class QMessageBox;

// The modal message box: the text, one OK button, no icon, the program's name as
// title. show() returns once the operator has closed the box; timers and serial
// notifications keep running meanwhile.
class MessageBoxes
{
public:
    virtual ~MessageBoxes() = default;
    void show(const QString &text)
    {
        ++open_;
        struct Closed
        {
            int &open;
            ~Closed() { --open; }
        } closed{open_};
        present(text);
    }
    // A box is on screen: the operator's input belongs to it.
    bool isOpen() const { return open_ > 0; }

protected:
    virtual void present(const QString &text) = 0;

private:
    int open_ = 0;
};

class ModalMessageBoxes final : public MessageBoxes
{
public:
    explicit ModalMessageBoxes(QString title) : title_(std::move(title)) {}
    void setParentWindow(QWidget *window) { parent_ = window; }
    // The program is ending: the boxes on screen close, and no other one opens.
    void dismissAll();

protected:
    void present(const QString &text) override;

private:
    QString title_;
    QPointer<QWidget> parent_;
    QList<QPointer<QMessageBox>> shown_;
    bool dismissed_ = false;
};

// The boxes of a program that runs with no one at the screen (a service): each is
// answered OK at once, and its text goes, in the order the window program would
// show them, to whoever is told (the operations log), else to standard error.
class AnsweredMessageBoxes final : public MessageBoxes
{
public:
    explicit AnsweredMessageBoxes(QString program) : program_(std::move(program)) {}
    void alsoTell(std::function<void(const QString &)> listener)
    {
        listener_ = std::move(listener);
    }

protected:
    void present(const QString &text) override;

private:
    QString program_;
    std::function<void(const QString &)> listener_;
};
