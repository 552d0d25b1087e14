#pragma once

#include <QLabel>
#include <QRgb>
#include <QString>
#include <functional>

class QUrl;

namespace dravik {

inline constexpr QRgb kLinkColour = qRgb(0, 0, 0);
inline constexpr QRgb kLinkHoverColour = qRgb(111, 111, 111);
inline constexpr QRgb kLinkVisitedColour = qRgb(0, 0, 0);

// Text colour of the link: visited wins over the pointer being over it.
QRgb LinkTextColour(bool over, bool visited);

// Opens an address with the desktop's default handler; returns whether it was handed over.
using UrlOpener = std::function<bool(const QUrl&)>;

// A label that is a link: hand cursor, grey while the pointer is over it until it has been clicked once,
// and a click opens its address. Keeps the text it was given; the font is its parent's without underline.
class CLinkStatic : public QLabel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CLinkStatic)

public:
    // An empty opener means QDesktopServices::openUrl.
    explicit CLinkStatic(QWidget* parent = nullptr, UrlOpener opener = {});
    ~CLinkStatic() override;

    void SetURL(const QString& url);
    const QString& URL() const { return m_strURL; }
    void SetUrlOpener(UrlOpener opener);

    bool IsOver() const { return m_bOver; }
    bool IsVisited() const { return m_bVisited; }

    // Hands the address to the opener; an empty address is not handed over. Always returns true: a failure
    // to open is not reported.
    virtual bool OpenURL(const QString& url);

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void OnClicked();
    void ApplyColour();

    QString m_strURL;
    UrlOpener m_opener;
    bool m_bOver = false;
    bool m_bVisited = false;
    bool m_bPressed = false;
};

}  // namespace dravik
