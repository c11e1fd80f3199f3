#include "platform/qt/ContainerBindings.h"

#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QPixmap>

#include "platform/qt/Accessibility.h"
#include "platform/qt/ClassicValues.h"

namespace lumora::forms {

QWidget* FrameBinding::Create(QWidget* parent) {
  if (frame_.BorderStyle() == 0) return new QWidget(parent);
  if (frame_.Height() <= 60) {  // a frame drawn as a rule
    auto* rule = new QFrame(parent);
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);
    return rule;
  }
  group_ = new QGroupBox(parent);
  return group_;
}

void FrameBinding::ApplyCaption() {
  if (group_ != nullptr) group_->setTitle(Q(frame_.Caption()));
}

QWidget* PictureBoxBinding::Create(QWidget* parent) {
  auto* box = new QFrame(parent);
  if (box_.BorderStyle() != 0) box->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  return box;
}

void PictureBoxBinding::ApplyPicture() {
  // A picture that cannot be read shows nothing.
  const QPixmap pixmap = QPixmap::fromImage(ReadPicture(box_.Picture()));
  QWidget* widget = Widget();
  QPalette palette = widget->palette();
  if (pixmap.isNull()) {
    widget->setAutoFillBackground(false);
  } else {
    palette.setBrush(QPalette::Window, QBrush(pixmap));
    widget->setAutoFillBackground(true);
  }
  widget->setPalette(palette);
}

QWidget* ImageBinding::Create(QWidget* parent) {
  qt_ = new QLabel(parent);
  accessibility::MarkDecoration(*qt_);  // the form's images are artwork
  return qt_;
}

void ImageBinding::ApplyPicture() {
  qt_->setScaledContents(image_.Stretch());
  qt_->setPixmap(QPixmap::fromImage(ReadPicture(image_.Picture())));
}

}  // namespace lumora::forms
