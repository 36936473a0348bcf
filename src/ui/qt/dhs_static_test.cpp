#include "ui/qt/dhs_static.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPixmap>

#include "testing/qt_window_rig.h"

namespace tr58k {
namespace {

// The bounding box of the pixels that differ from `background`.
QRect InkBox(const QImage& image, QColor background) {
  QRect box;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (image.pixelColor(x, y) != background) box |= QRect(x, y, 1, 1);
    }
  }
  return box;
}

QImage Paint(CDhsStatic& label) {
  return label.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

class DhsStaticTest : public test::ApplicationTest {
 protected:
  void SetUp() override {
    label.resize(80, 30);
  }
  CDhsStatic label;
};

TEST_F(DhsStaticTest, StartsLightGreyOnBlackWithAnArialCellOf16Pixels) {
  EXPECT_EQ(label.backColor, 0xF0F0F0u);
  EXPECT_EQ(label.textColor, 0x000000u);
  EXPECT_EQ(label.currentIndex, 0);
  EXPECT_TRUE(label.texts.isEmpty());
  EXPECT_LE(QFontMetrics(label.font).height(), 16);
  EXPECT_EQ(label.font.family(), "Arial");
}

TEST_F(DhsStaticTest, WithoutACaptionPaintsOnlyTheFill) {
  label.backColor = 0x00FF00;
  const QImage image = Paint(label);
  EXPECT_TRUE(InkBox(image, QColor(0, 255, 0)).isNull());
}

TEST_F(DhsStaticTest, AnIndexOutsideTheCaptionsPaintsOnlyTheFill) {
  label.SetCaption("DPI1:");
  label.currentIndex = 1;
  EXPECT_TRUE(InkBox(Paint(label), QColor(0xF0, 0xF0, 0xF0)).isNull());
  label.currentIndex = -1;
  EXPECT_TRUE(InkBox(Paint(label), QColor(0xF0, 0xF0, 0xF0)).isNull());
}

TEST_F(DhsStaticTest, SetCaptionTwiceKeepsOneCaption) {
  label.currentIndex = 3;
  label.SetCaption("first");
  label.SetCaption("second");
  EXPECT_EQ(label.texts, QStringList{"second"});
  EXPECT_EQ(label.currentIndex, 0);
}

TEST_F(DhsStaticTest, RedFillWithTheBlackCaptionCentred) {
  label.backColor = 0x0000FF;
  label.SetCaption("DPI1:");
  const QImage image = Paint(label);
  const QColor red(255, 0, 0);
  // Corners keep the fill.
  EXPECT_EQ(image.pixelColor(0, 0), red);
  EXPECT_EQ(image.pixelColor(image.width() - 1, image.height() - 1), red);
  const QRect ink = InkBox(image, red);
  ASSERT_FALSE(ink.isNull());
  // Centred horizontally on the ink, within the glyphs' side bearings.
  const int left = ink.left();
  const int right = image.width() - 1 - ink.right();
  EXPECT_LE(std::abs(left - right), 3) << left << " " << right;
  // Vertically the cell is centred: the ink lies inside it.
  const QFontMetrics metrics(label.font);
  const int cellTop = (image.height() - metrics.height()) / 2;
  EXPECT_GE(ink.top(), cellTop);
  EXPECT_LE(ink.bottom(), cellTop + metrics.height());
  // The darkest pixel is black: the caption is drawn in textColor.
  int darkest = 255;
  for (int y = ink.top(); y <= ink.bottom(); ++y) {
    for (int x = ink.left(); x <= ink.right(); ++x) {
      darkest = std::min(darkest, qGray(image.pixel(x, y)));
    }
  }
  EXPECT_LT(darkest, 40);
}

TEST_F(DhsStaticTest, TextColourAndBackColourTakeEffectAtTheNextPaint) {
  label.SetCaption("W");
  label.backColor = 0xFFFFFF;
  label.textColor = 0x00FF00;
  const QImage image = Paint(label);
  bool sawGreen = false;
  for (int y = 0; y < image.height() && !sawGreen; ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QColor c = image.pixelColor(x, y);
      if (c.green() > 200 && c.red() < 60 && c.blue() < 60) {
        sawGreen = true;
        break;
      }
    }
  }
  EXPECT_TRUE(sawGreen);
}

TEST_F(DhsStaticTest, AWideCaptionOverhangsBothSidesAndIsNotWrapped) {
  label.resize(30, 30);
  label.backColor = 0xFFFFFF;
  label.SetCaption("WWWWWWWWWW");
  const QImage image = Paint(label);
  const QRect ink = InkBox(image, Qt::white);
  ASSERT_FALSE(ink.isNull());
  // Cut at both edges, on one line only.
  EXPECT_LE(ink.left(), 1);
  EXPECT_GE(ink.right(), image.width() - 2);
  EXPECT_LE(ink.height(), QFontMetrics(label.font).height());
}

}  // namespace
}  // namespace tr58k
