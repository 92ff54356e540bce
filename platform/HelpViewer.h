#pragma once

#include <QString>
#include <QWidget>

class QTextBrowser;
class QUrl;

// The built-in help viewer: a window of its own that shows one topic of a
// help file at a time (see HelpFile.h) and follows the links between topics.
// It stays open beside the program's windows, modal dialogs included.
class THelpViewer : public QWidget
{
    Q_OBJECT

public:
    explicit THelpViewer(QWidget* parent = nullptr);

    // Shows topic `id` of the help file `path` and brings the viewer to the
    // front. A topic the file lacks shows a note and a link to the contents;
    // a file that cannot be read shows nothing and returns false.
    bool ShowTopic(const QString& path, const QString& id);

    // The id of the topic on show.
    QString CurrentTopic() const { return m_topic; }
    // The help file on show.
    QString CurrentFile() const { return m_path; }

private:
    void followLink(const QUrl& link);

    QTextBrowser* m_text;
    QString m_path;
    QString m_topic;
};
