// The wizard window as a person gets it: the real lumora program loading the real component and
// the window probe (the real window library's code, which saves the shot), started from an
// unrelated folder under a virtual display. The window library
// works on the component's state, so the side panel shows the artwork that lies beside the
// component whatever the current folder is.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QColor>
#include <QImage>
#include <cmath>
#include <string>

#include "support/RunProcess.h"

namespace lumora::forms {
namespace {

// The mean per-channel difference of two images of the same size, 0 to 255.
double MeanDifference(const QImage& a, const QImage& b) {
  double sum = 0;
  for (int y = 0; y < a.height(); ++y) {
    for (int x = 0; x < a.width(); ++x) {
      const QColor p = a.pixelColor(x, y), q = b.pixelColor(x, y);
      sum += std::abs(p.red() - q.red()) + std::abs(p.green() - q.green()) +
             std::abs(p.blue() - q.blue());
    }
  }
  return sum / (3.0 * a.width() * a.height());
}

TEST(WindowProcess, shouldShowTheSidePanelArtworkWhenStartedFromAnotherFolder) {
  SKIP_WITHOUT("xvfb-run");
  testing::TempDir dir;
  dir.Write("object.json", R"({ "properties": {} })");
  dir.Write("pages.txt", "dump\nkey Escape\n");
  const std::string command = "cd '" + dir.path() +
                              "' && unset QT_QPA_PLATFORM && LUMORA_PROBE_SCRIPT=pages.txt "
                              "LUMORA_PROBE_SHOTS=. QT_FONT_DPI=96 exec xvfb-run -a -s "
                              "'-screen 0 1024x768x24 -dpi 96' '" +
                              testing::BinDir() +
                              "/../probe/lumora' wizard object.json --registry none";
  const testing::ProcessResult run = testing::RunProcess("/bin/sh", {"-c", command});

  QImage shot(QString::fromStdString(dir.File("shot-1.png")));
  ASSERT_FALSE(shot.isNull()) << "no screenshot; lumora said: " << run.err;
  // imgSidePanel fills 2100 x 4380 twips at the window's top left: 140 x 292 pixels at 96 DPI.
  const QImage panel = shot.copy(0, 0, 140, 292).convertToFormat(QImage::Format_RGB32);
  QImage artwork(QString::fromStdString(testing::BinDir() + "/sidepanel.png"));
  ASSERT_FALSE(artwork.isNull());
  artwork = artwork.scaled(panel.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                .convertToFormat(QImage::Format_RGB32);
  QImage background(panel.size(), QImage::Format_RGB32);
  background.fill(panel.pixelColor(panel.width() - 1, panel.height() - 1));
  EXPECT_LT(MeanDifference(panel, artwork), 12.0) << "the panel does not show the artwork";
  EXPECT_GT(MeanDifference(panel, background), 12.0) << "the panel is one flat colour";
}

}  // namespace
}  // namespace lumora::forms
