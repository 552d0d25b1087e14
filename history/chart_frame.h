#pragma once

#include <QWidget>
#include <functional>

namespace dravik {

struct ChartGeometry;
struct ChartRect;

// The framed chart area. Every paint asks its owner for a fresh chart of the frame's own rectangle
// and draws it clipped to the frame.
class CChartFrame final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CChartFrame)

public:
    using ChartSource = std::function<ChartGeometry(const ChartRect& frame)>;

    explicit CChartFrame(QWidget* parent = nullptr);
    void SetChartSource(ChartSource source);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ChartSource m_source;
};

}  // namespace dravik
