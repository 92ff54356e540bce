#include "platform/UiText.h"

#include <QByteArrayView>
#include <QStringDecoder>

QString ToUi(const std::string& bytes)
{
    const QByteArrayView view(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(view);
    if (!utf8.hasError())
        return text;
    // Pages in a one-byte character set: every byte keeps a character of its own.
    return QString::fromLatin1(view);
}

std::string FromUi(const QString& text)
{
    return text.toStdString();
}
