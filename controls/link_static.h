#pragma once

#include <QLabel>
#include <QRgb>
#include <QString>
#include <functional>

class QPalette;
class QUrl;

namespace dravik {

// Text colour of the link on the palette's window: the palette's link colour, half way to the window's text
// while the pointer is over it until it has been clicked once (visited wins over the pointer being over it);
// always kept readable on the window.
QRgb LinkTextColour(const QPalette& palette, bool over, bool visited);

// Opens an address with the desktop's default handler; returns whether it was handed over.
using UrlOpener = std::function<bool(const QUrl&)>;

// A label that is a link: hand cursor, another shade while the pointer is over it until it has been clicked once,
// and a click opens its address. A Tab stop too: with the focus it shows a dotted frame and Enter or Space
// opens the address; screen readers meet it as a link they can press. Keeps the text it was given;
// the font is its parent's without underline.
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
    // What a click does, also for the keyboard and a screen reader's press: opens the address, marks it visited.
    void OnClicked();

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void ApplyColour();

    QString m_strURL;
    UrlOpener m_opener;
    bool m_bOver = false;
    bool m_bVisited = false;
    bool m_bPressed = false;
};

}  // namespace dravik
