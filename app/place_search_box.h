#pragma once

#include <QWidget>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "places/place_search.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QTimer;

namespace dravik {

class PlaceSearchRunner;

// A search field over the places of the world with its results below, as one types: most populous first, each
// with its region and country in the interface language. Up and Down move in the results while typing, Enter or a
// double click chooses. The search runs off the UI thread; the places are read from their file at each search.
class CPlaceSearchBox final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CPlaceSearchBox)

public:
    // dataDir: where the places' files are (PlacesDataDir() when empty).
    CPlaceSearchBox(const std::string& lang, QWidget* parent = nullptr, const std::string& dataDir = {});
    ~CPlaceSearchBox() override;

    QLineEdit* QueryField() const { return m_query; }
    // Puts a text in the field and searches it at once.
    void Search(const QString& text);
    QListWidget* ResultList() const { return m_results; }
    QLabel* StatusLabel() const { return m_status; }
    // The selected result, if any.
    std::optional<FoundPlace> Current() const;
    // The results shown, in their order.
    const std::vector<FoundPlace>& Results() const { return m_found; }

signals:
    // Enter or a double click on a result.
    void chosen();
    // The results of the latest search are shown.
    void resultsShown();
    void currentChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void StartSearch();
    void Show(std::uint64_t serial, const PlaceSearchResult& result);

    std::string m_lang;
    QLineEdit* m_query = nullptr;
    QListWidget* m_results = nullptr;
    QLabel* m_status = nullptr;
    QTimer* m_delay = nullptr;
    std::vector<FoundPlace> m_found;
    std::uint64_t m_latest = 0;
    std::uint64_t m_shown = 0;
    // Enter came while the typed text's places were still being read: the first of them is chosen when they come.
    bool m_bChooseWhenShown = false;
    std::unique_ptr<PlaceSearchRunner> m_runner;
};

}  // namespace dravik
