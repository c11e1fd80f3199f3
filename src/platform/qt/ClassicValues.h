// Classic values shown the Qt way, for the window renderer's bindings: texts (CR LF line ends,
// a label's ampersands), fonts, and pictures read from image files. Plain functions that keep
// nothing.
#pragma once

#include <QFont>
#include <QImage>
#include <QString>
#include <string>

namespace lumora::forms {

struct Font;

inline QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

// Multi-line text boxes hold CR LF line ends; the editor holds LF.
QString FromCrLf(const std::string& text);
std::string ToCrLf(const QString& text);
// A label shows "&&" as "&" and drops a single "&", as a classic label without a buddy does.
QString LabelText(const std::string& caption);
QFont ToQFont(const Font& font);
// An image file read as the format its name says (png, bmp, jpg...), else as its content says;
// null when neither can be read.
QImage ReadImage(const QString& file);
// The picture a control names: a file in the component folder unless the path is absolute;
// null when there is none or it cannot be read.
QImage ReadPicture(const std::string& picture);

}  // namespace lumora::forms
