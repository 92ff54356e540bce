#include "tests/support/ScriptedDialogs.h"

#include <QDialog>

#include <cstdio>

namespace {

TScriptedDialogs* g_newest = nullptr;

template <class T> T takeFront(std::deque<T>& queue)
{
    if (queue.empty())
        return T();
    T front = std::move(queue.front());
    queue.pop_front();
    return front;
}

} // namespace

TScriptedDialogs::TScriptedDialogs()
    : m_previous(g_newest)
{
    g_newest = this;
}

TScriptedDialogs::~TScriptedDialogs()
{
    g_newest = m_previous;
}

int TScriptedDialogs::ShowModal(QDialog& dialog)
{
    dialog.setResult(QDialog::Rejected);
    dialog.show();
    if (auto action = takeFront(modalActions))
        action(dialog);
    if (dialog.isVisible())
        dialog.reject();
    return dialog.result();
}

QString TScriptedDialogs::InputBox(const QString&, const QString&, const QString& defaultAnswer)
{
    return takeFront(inputAnswers).value_or(defaultAnswer);
}

bool TScriptedDialogs::Confirm(const QString& text)
{
    questions.push_back(text);
    if (confirmAnswers.empty())
        return false;
    const bool yes = confirmAnswers.front();
    confirmAnswers.pop_front();
    return yes;
}

std::optional<QString> TScriptedDialogs::OpenFile(const TOpenDialogRequest&)
{
    return takeFront(fileAnswers);
}

void TScriptedDialogs::reportError(const std::string& message)
{
    if (g_newest)
        g_newest->ShowMessage(QString::fromStdString(message));
    else
        std::fprintf(stderr, "unhandled error: %s\n", message.c_str());
}
