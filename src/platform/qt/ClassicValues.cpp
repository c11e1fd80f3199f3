#include "platform/qt/ClassicValues.h"

#include <QFileInfo>
#include <QFontDatabase>
#include <QImageReader>

#include "contract/ProcessState.h"
#include "platform/forms/Font.h"

namespace lumora::forms {

QString FromCrLf(const std::string& text) {
  QString shown = Q(text);
  shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  return shown;
}

std::string ToCrLf(const QString& text) {
  QString stored = text;
  stored.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
  return stored.toStdString();
}

QString LabelText(const std::string& caption) {
  QString shown;
  const QString text = Q(caption);
  for (int i = 0; i < text.size(); ++i) {
    if (text[i] != QLatin1Char('&')) {
      shown += text[i];
    } else if (i + 1 < text.size() && text[i + 1] == QLatin1Char('&')) {
      shown += QLatin1Char('&');
      ++i;
    }
  }
  return shown;
}

QFont ToQFont(const Font& font) {
  QFont qfont;
  if (font.name.empty() ||
      QString::compare(Q(font.name), QLatin1String("MS Sans Serif"), Qt::CaseInsensitive) == 0) {
    // The classic dialog face stands for this platform's default user-interface face.
    qfont = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
  } else {
    qfont.setFamily(Q(font.name));
  }
  qfont.setPointSizeF(font.size > 0 ? font.size : 8);
  qfont.setBold(font.bold);
  qfont.setItalic(font.italic);
  return qfont;
}

// A reader left to find the format loads every image-format plugin to ask it first, a
// noticeable part of the window's start: the name is asked first.
QImage ReadImage(const QString& file) {
  QImageReader named(file, QFileInfo(file).suffix().toLatin1());
  named.setAutoDetectImageFormat(false);
  QImage image = named.read();
  if (image.isNull()) image = QImageReader(file).read();
  return image;
}

QImage ReadPicture(const std::string& picture) {
  if (picture.empty()) return {};
  const std::string& folder = component::ComponentFolder();
  const bool relative = picture.front() != '/';
  return ReadImage(Q(relative && !folder.empty() ? folder + "/" + picture : picture));
}

}  // namespace lumora::forms
