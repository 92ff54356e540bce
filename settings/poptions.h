#pragma once

// Names: controls (txtOutput, lstF1, cmdOK, ...) and handlers (cmdOKClick, txtDescExit, ...) are
// the form design's; m_ members, T...Part and lowerCamelCase helpers (listBox, browse) are ours.

#include "settings/Settings.h"
#include "settings/TOptionsValues.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;
class TUserDialogs;

// The options dialog: every setting of the settings file but the main
// window's three check boxes and the two connection keys of the WEB section,
// on eight pages. Its five list boxes show the
// settings lists themselves: Add and Remove change them at once, and the next
// load of the settings file puts back what the file holds. OK writes the file;
// the main window fills the boxes before each showing and reloads the
// settings after each closing.
class TfrmOptions : public QDialog
{
    Q_OBJECT

public:
    // The dialog over the settings record `settings`, asking through `dialogs`.
    // Both must outlive it.
    TfrmOptions(TSettings& settings, TUserDialogs& dialogs, QWidget* parent = nullptr);

    // Puts the values of `settings` into the text and check boxes (the lists
    // are the settings lists already).
    void FillFrom(const TSettings& settings);
    // The controls' values as the settings file receives them.
    TOptionsValues Values() const;

    // Shows the settings lists in the five list boxes.
    void FormShow();
    // Writes the settings file and closes the dialog. A number box that does
    // not hold a whole number in its range is shown and named instead, and
    // nothing is written; a refused write raises and leaves the dialog open.
    void cmdOKClick();
    // Closes the dialog without writing anything.
    void cmdCancelClick();
    // Keeps the description length within 10 to 400 when the focus leaves its
    // box; text that is no integer raises EConvertError and stays.
    void txtDescExit();

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // One list box with its Add and Remove buttons and the settings list it shows.
    struct TListPart
    {
        QListWidget* list;
        TStringList TSettings::*entries;
        bool sorted;
        QString caption;
        QString prompt;
    };
    struct TPathPart
    {
        QLineEdit* box;
        QString title;
        bool noReadOnly;
        QString filter;
    };

    QWidget* pathsPage();
    QWidget* outputPage();
    QWidget* followingPage();
    QWidget* listPage(const char* pageName, const QString& note, const char* listName, int help,
        const char* addName, const char* removeName, TStringList TSettings::*entries);
    QWidget* proxyPage();
    QWidget* webPage();
    QPushButton* browseButton(const char* name, const TPathPart& part);
    QWidget* listBox(const char* listName, int help, const char* addName, const char* removeName,
        TStringList TSettings::*entries, bool sorted, const QString& caption, const QString& prompt,
        Qt::Orientation buttons);
    QLineEdit* textBox(const char* name, int help);
    QCheckBox* checkBox(const char* name, const QString& caption, int help);

    void addEntry(const TListPart& part);
    void removeEntry(const TListPart& part);
    void browse(const TPathPart& part);
    void showList(const TListPart& part);
    void refuse(const TOptionsProblem& problem);

    TSettings& m_settings;
    TUserDialogs& m_dialogs;
    std::vector<TListPart> m_lists;

    QTabWidget* m_pages;
    QLineEdit* txtOutput;
    QLineEdit* txtInput;
    QLineEdit* txtSaved;
    QLineEdit* txtTrack;
    QLineEdit* txtSep;
    QLineEdit* txtCut;
    QLineEdit* txtDesc;
    QCheckBox* chkLM;
    QCheckBox* chkKey;
    QCheckBox* chkMeta;
    QLineEdit* txtProxy;
    QLineEdit* txtPort;
    QLineEdit* txtPName;
    QLineEdit* txtPPass;
    QCheckBox* chkProxy;
    QCheckBox* chkHttps;
    QLineEdit* txtCaFile;
    QLineEdit* txtSocksServer;
    QLineEdit* txtSocksPort;
    QLineEdit* txtSocksUser;
    QLineEdit* txtSocksPass;
    QCheckBox* chkRobots;
    QCheckBox* chkStatus;
    QLineEdit* txtDelay;
    QLineEdit* txtRejected;
    QPushButton* cmdOK;
    QPushButton* cmdCancel;
};
