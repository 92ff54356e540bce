#pragma once

#include "platform/UserDialogs.h"

#include <QDialog>

#include <cstdio>

// A user who answers nothing, for programs that drive the windows without
// anyone watching (the screenshots, the responsiveness probe): a message
// goes to standard error, every other question is cancelled.
class TSilentDialogs : public TUserDialogs
{
public:
    int ShowModal(QDialog&) override { return QDialog::Rejected; }
    QString InputBox(const QString&, const QString&, const QString& answer) override
    {
        return answer;
    }
    void ShowMessage(const QString& text) override
    {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
    }
    bool Confirm(const QString&) override { return false; }
    std::optional<QString> OpenFile(const TOpenDialogRequest&) override { return {}; }
    void ShellOpen(const QString&) override { }
    void SetHelpFile(const QString&) override { }
    void ShowHelp(int) override { }
};
