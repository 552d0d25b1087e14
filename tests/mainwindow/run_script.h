#pragma once

#include <QEventLoop>
#include <QPointer>
#include <QTimer>
#include <QVariant>
#include <QWebEnginePage>
#include <memory>

namespace dravik::test {

// The result of a script in the page; invalid when it has not answered within timeoutMs.
inline QVariant RunScript(QWebEnginePage* page, const QString& script, int timeoutMs) {
    struct State {
        QVariant result;
        QPointer<QEventLoop> loop;
    };
    auto state = std::make_shared<State>();
    QEventLoop loop;
    state->loop = &loop;
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    page->runJavaScript(script, [state](const QVariant& value) {
        state->result = value;
        if (state->loop) {
            state->loop->quit();
        }
    });
    loop.exec();
    return state->result;
}

}  // namespace dravik::test
