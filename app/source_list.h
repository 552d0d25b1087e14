#pragma once

#include <QWidget>
#include <string>
#include <vector>

#include "app/source_choices.h"

class QLabel;
class QListWidget;
class QPushButton;

namespace dravik {

// The earthquake sources as agencies to tick, each with its address and its terms, and "Other address…" for any
// FDSN service or page. It edits the stored value's text (Stored()), which the settings window keeps in its field.
class CSourceList final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CSourceList)

public:
    CSourceList(const std::string& stored, const std::string& lang, QWidget* parent = nullptr);

    // The value as ticked; a new value (the field edited by hand) ticks what it names.
    std::string Stored() const { return StoredSourcesOf(m_choices); }
    void SetStored(const std::string& stored);
    // What "Other address…" does once the address is typed; false when it is no address (nothing changes).
    bool AddOther(const std::string& address);

    QListWidget* List() const { return m_list; }
    QPushButton* OtherButton() const { return m_other; }
    QLabel* TermsLabel() const { return m_terms; }

signals:
    void changed();

private:
    void Show();
    void ShowTerms();

    std::string m_lang;
    std::vector<SourceChoice> m_choices;
    QListWidget* m_list = nullptr;
    QPushButton* m_other = nullptr;
    QLabel* m_terms = nullptr;
    bool m_bShowing = false;
};

}  // namespace dravik
