#pragma once

#include <QString>

#include <optional>

class QDialog;

// What a file-open dialog shows and which choices it accepts.
struct TOpenDialogRequest
{
    QString title;
    // Description and pattern pairs joined by "|":
    // "Text files (*.txt)|*.TXT|All files (*.*)|*.*".
    QString filter;
    // No "open read-only" check box in the dialog.
    bool hideReadOnly = false;
    // Only a file that exists can be chosen.
    bool fileMustExist = false;
    // A file the user may not write to is refused.
    bool noReadOnly = false;
};

// Everything the program asks of the user or hands to the desktop: modal
// dialogs, input and message boxes, the file-open dialog, the shell's "open"
// and context help. Forms receive one instance; the program passes the Qt one,
// tests a scripted one that answers without a display.
class TUserDialogs
{
public:
    virtual ~TUserDialogs() = default;

    // Shows `dialog` modally and returns its result code once it has closed.
    virtual int ShowModal(QDialog& dialog) = 0;
    // An input box; the typed answer, or `defaultAnswer` when the box is cancelled.
    virtual QString InputBox(
        const QString& caption, const QString& prompt, const QString& defaultAnswer)
        = 0;
    // A message box with an OK button; returns when it is dismissed.
    virtual void ShowMessage(const QString& text) = 0;
    // A question with Yes and No buttons; true for Yes.
    virtual bool Confirm(const QString& text) = 0;
    // A file-open dialog; the full path of the chosen file, nothing when cancelled.
    virtual std::optional<QString> OpenFile(const TOpenDialogRequest& request) = 0;
    // The shell's "open" of a file name (relative to the current directory) or
    // of a URL. A failure is reported nowhere.
    virtual void ShellOpen(const QString& target) = 0;
    // Names the help file that context help reads from now on.
    virtual void SetHelpFile(const QString& path) = 0;
    // Context help: shows the topic of help context `context` of the help file.
    virtual void ShowHelp(int context) = 0;
};
