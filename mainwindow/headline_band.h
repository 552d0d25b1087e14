#pragma once

#include <QAbstractButton>
#include <QString>
#include <string>

namespace dravik {

// The band above the list that names the most important quake of the last day. It draws the text the
// headline's logic made (alerts/headline, app/headline_texts) and nothing else; a click, Enter or Space
// selects the quake's row. A button to screen readers, named by its text, so the headline is read and can be
// pressed like any other button.
class CHeadlineBand final : public QAbstractButton {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CHeadlineBand)

public:
    explicit CHeadlineBand(QWidget* parent = nullptr);
    ~CHeadlineBand() override;

    // Shows the quake's headline, its level at the places (0: none) marking the band's edge; an empty text
    // hides the band.
    void ShowHeadline(const QString& text, const std::string& eventId, int level, const QString& description);
    const std::string& EventId() const { return m_eventId; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::string m_eventId;
    int m_level = 0;
};

}  // namespace dravik
