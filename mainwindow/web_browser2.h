#pragma once

#include <QWebEngineView>
#include <string>

#include "mainwindow/map_view.h"

class QRect;

namespace dravik {

class CSilentPage;

// The map view's browser control: a web view the main window drives through IBrowser.
class CWebBrowser2 final : public QWebEngineView, public IBrowser {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CWebBrowser2)

public:
    explicit CWebBrowser2(QWidget* parent = nullptr);
    ~CWebBrowser2() override;

    // Makes the control as a child of parent at rect, for callers that do not take it from a dialog
    // template; the window name, the visibility of style and the control id are kept.
    bool Create(const QString& windowName, bool visible, const QRect& rect, QWidget* parent, int id);

    void SetSilent(bool silent) override;
    void Navigate(const std::string& address) override;

    bool IsSilent() const;

private:
    CSilentPage* m_page;
};

}  // namespace dravik
