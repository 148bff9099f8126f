#pragma once
// The texts a report paints, read back by painting its pages on a device
// that keeps only the text items: what a reader of the page would see.
#include <climits>

#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QStringList>

#include "report.h"

namespace report_testing {

// A page big enough for either orientation; nothing painted is clipped away.
class TextRecorder : public QPaintDevice {
 public:
  QStringList texts;
  TextRecorder() : engine_(texts) {}
  QPaintEngine* paintEngine() const override { return &engine_; }

 protected:
  int metric(PaintDeviceMetric m) const override {
    switch (m) {
      case PdmWidth: return 1123;
      case PdmHeight: return 1123;
      case PdmWidthMM: return 297;
      case PdmHeightMM: return 297;
      case PdmDpiX:
      case PdmDpiY:
      case PdmPhysicalDpiX:
      case PdmPhysicalDpiY: return 96;
      case PdmDepth: return 32;
      case PdmNumColors: return INT_MAX;
      case PdmDevicePixelRatio: return 1;
      case PdmDevicePixelRatioScaled: return static_cast<int>(devicePixelRatioFScale());
      default: return QPaintDevice::metric(m);
    }
  }

 private:
  class Engine : public QPaintEngine {
   public:
    explicit Engine(QStringList& out) : QPaintEngine(QPaintEngine::AllFeatures), out_(out) {}
    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState&) override {}
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
    void drawPath(const QPainterPath&) override {}
    void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
    void drawLines(const QLineF*, int) override {}
    void drawRects(const QRectF*, int) override {}
    void drawTextItem(const QPointF&, const QTextItem& t) override { out_ << t.text(); }
    Type type() const override { return QPaintEngine::User; }

   private:
    QStringList& out_;
  };
  mutable Engine engine_;
};

// The text items of one page (from 1), in painting order.
inline QStringList pageTexts(const ui::Report& r, int page) {
  TextRecorder device;
  QPainter p(&device);
  r.paintPage(p, page, 96, 96);
  p.end();
  return device.texts;
}

// Every text item of every page, in painting order.
inline QStringList reportTexts(const ui::Report& r) {
  QStringList all;
  for (int page = 1; page <= r.pageCount(); ++page) all << pageTexts(r, page);
  return all;
}

}  // namespace report_testing
