#include "gui/qt_text.h"

#include <QByteArray>
#include <string_view>

#include "common/standard_streams.h"

namespace orvenka::gui {

QString Utf8(const std::string& text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

QString MessageText(const std::string& text) {
    QString s = Utf8(text);
    s.replace("\r\n", "\n");
    s.replace('\r', '\n');
    return s;
}

void MessageToStderr(const std::string& text) {
    const QByteArray bytes = MessageText(text).toUtf8() + '\n';
    WriteToStderr(std::string_view(bytes.constData(), size_t(bytes.size())));
}

}  // namespace orvenka::gui
