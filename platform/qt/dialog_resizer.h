#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <functional>
#include <vector>

class QWidget;

namespace dravik {

// How far each edge of a control follows the window's growth beyond its template size: 0 stays where the
// template puts it, 1 moves by the whole growth, a value between by that share of it.
struct GrowthShare {
    double left = 0;
    double top = 0;
    double right = 0;
    double bottom = 0;
};

// Common shares: the edge the control keeps to.
inline constexpr GrowthShare kKeepTopLeft{0, 0, 0, 0};
inline constexpr GrowthShare kKeepBottomLeft{0, 1, 0, 1};
inline constexpr GrowthShare kKeepBottomRight{1, 1, 1, 1};
inline constexpr GrowthShare kStretchBottom{0, 1, 1, 1};  // keeps to the bottom, grows in width
inline constexpr GrowthShare kStretchTop{0, 0, 1, 0};     // keeps to the top, grows in width

// The rectangle of a control placed at base in the template-sized window, when the window has grown by
// growth. Two edges given the same share of the same growth land on the same pixel, so controls that touch
// at the template size touch when grown. A growth below zero counts as none.
QRect GrownRect(const QRect& base, const GrowthShare& share, const QSize& growth);

// Makes a dialog built at its template size resizable: its size becomes its minimum, every child widget's
// present geometry is taken as its template place, and each resize puts the children at GrownRect with
// the share shareOf gives them. At the template size the controls stand exactly where they stood.
class CDialogResizer final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CDialogResizer)

public:
    using ShareOf = std::function<GrowthShare(QWidget* child)>;

    CDialogResizer(QWidget* dialog, const ShareOf& shareOf);

    QSize TemplateSize() const { return m_templateSize; }
    // Puts every child at its place for the dialog's present size.
    void Apply();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Placed {
        QPointer<QWidget> widget;
        QRect base;
        GrowthShare share;
    };
    QWidget* m_dialog;
    QSize m_templateSize;
    std::vector<Placed> m_placed;
};

}  // namespace dravik
