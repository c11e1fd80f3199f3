// The baseline of bench/first_frame.sh: a bare Qt dialog holding a check-box list with the same
// number of entries as the wizard shows (argv[1], default 1100), nothing else. Prints
// "first-frame NANOSECONDS" (the wall clock) once the dialog has painted, then quits.
#include <QApplication>
#include <QDialog>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

class Dialog : public QDialog {
 protected:
  void paintEvent(QPaintEvent* event) override {
    QDialog::paintEvent(event);
    if (painted_) return;
    painted_ = true;
    QTimer::singleShot(0, this, [this] {
      const auto now = std::chrono::system_clock::now().time_since_epoch();
      std::printf("first-frame %lld\n",
                  static_cast<long long>(
                      std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
      std::fflush(stdout);
      done(0);
    });
  }

 private:
  bool painted_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const int entries = argc > 1 ? std::atoi(argv[1]) : 1100;
  Dialog dialog;
  auto* layout = new QVBoxLayout(&dialog);
  auto* list = new QTreeWidget(&dialog);
  list->setHeaderHidden(true);
  list->setRootIsDecorated(false);
  list->setUniformRowHeights(true);
  for (int i = 0; i < entries; ++i) {
    auto* item = new QTreeWidgetItem(list);
    item->setText(0, QStringLiteral("Entry %1").arg(i));
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(0, Qt::Unchecked);
  }
  layout->addWidget(list);
  layout->addWidget(new QPushButton(QStringLiteral("Close"), &dialog));
  dialog.resize(492, 332);
  return dialog.exec();
}
