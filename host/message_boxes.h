#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

// The modal message box: the text, one OK button, no icon, the program's name as
// title. show() returns once the operator has closed the box; timers and serial
// notifications keep running meanwhile.
class MessageBoxes
{
public:
    virtual ~MessageBoxes() = default;
    virtual void show(const QString &text) = 0;
};

class ModalMessageBoxes final : public MessageBoxes
{
public:
    explicit ModalMessageBoxes(QString title) : title_(std::move(title)) {}
    void setParentWindow(QWidget *window) { parent_ = window; }
    void show(const QString &text) override;

private:
    QString title_;
    QPointer<QWidget> parent_;
};
