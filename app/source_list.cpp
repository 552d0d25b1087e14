#include "app/source_list.h"

#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/setup_texts.h"

namespace dravik {
namespace {

QString Text(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// "Warunki: %1" with the address in its place.
QString TermsText(const std::string& lang, const QString& address) {
    return Text(SetupUiText(lang, SetupText::SourceTerms)).replace(QStringLiteral("%1"), address);
}

}  // namespace

CSourceList::CSourceList(const std::string& stored, const std::string& lang, QWidget* parent)
    : QWidget(parent), m_lang(lang), m_choices(SourceChoicesOf(stored)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("sourceList"));
    m_list->setAccessibleName(Text(SetupUiText(lang, SetupText::SourcesHint)));
    layout->addWidget(m_list);
    m_terms = new QLabel(this);
    m_terms->setTextFormat(Qt::RichText);
    m_terms->setOpenExternalLinks(true);
    m_terms->setTextInteractionFlags(Qt::TextBrowserInteraction);
    layout->addWidget(m_terms);
    auto* buttonRow = new QHBoxLayout();
    buttonRow->addWidget(new QLabel(Text(SetupUiText(lang, SetupText::SourcesHint)), this), 1);
    m_other = new QPushButton(Text(SetupUiText(lang, SetupText::OtherSource)), this);
    m_other->setAutoDefault(false);
    buttonRow->addWidget(m_other);
    layout->addLayout(buttonRow);

    connect(m_list, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        const int row = m_list->row(item);
        if (m_bShowing || row < 0 || row >= static_cast<int>(m_choices.size())) {
            return;
        }
        m_choices[static_cast<std::size_t>(row)].ticked = item->checkState() == Qt::Checked;
        emit changed();
    });
    connect(m_list, &QListWidget::currentRowChanged, this, &CSourceList::ShowTerms);
    connect(m_other, &QPushButton::clicked, this, [this] {
        bool ok = false;
        const QString address = QInputDialog::getText(this, Text(SetupUiText(m_lang, SetupText::OtherSourceCaption)),
                                                      Text(SetupUiText(m_lang, SetupText::OtherSourceLabel)),
                                                      QLineEdit::Normal, QStringLiteral("https://"), &ok);
        if (ok) {
            AddOther(address.trimmed().toStdString());
        }
    });
    Show();
    // Tall enough for the agencies without a scroll bar, no taller.
    m_list->setMaximumHeight(m_list->sizeHintForRow(0) * (static_cast<int>(KnownAgencies().size()) + 1) +
                             2 * m_list->frameWidth());
}

void CSourceList::SetStored(const std::string& stored) {
    if (stored == Stored()) {
        return;
    }
    m_choices = SourceChoicesOf(stored);
    Show();
}

bool CSourceList::AddOther(const std::string& address) {
    const std::string before = Stored();
    const bool added = AddOtherSource(address, &m_choices);
    Show();
    if (Stored() != before) {
        emit changed();
    }
    return added;
}

void CSourceList::Show() {
    m_bShowing = true;
    const int current = m_list->currentRow();
    m_list->clear();
    for (const SourceChoice& choice : m_choices) {
        // Names and addresses are shown as they are, never as markup.
        auto* item = new QListWidgetItem(choice.known ? Text(choice.name) : Text(choice.url), m_list);
        item->setFlags((item->flags() | Qt::ItemIsUserCheckable) & ~Qt::ItemIsEditable);
        item->setCheckState(choice.ticked ? Qt::Checked : Qt::Unchecked);
        QString tip = Text(choice.url);
        if (!choice.terms.empty()) {
            tip += QLatin1Char('\n') + TermsText(m_lang, Text(choice.terms));
        }
        item->setToolTip(tip);
    }
    m_list->setCurrentRow(std::min(std::max(current, 0), m_list->count() - 1));
    m_bShowing = false;
    ShowTerms();
}

void CSourceList::ShowTerms() {
    const int row = m_list->currentRow();
    if (row < 0 || row >= static_cast<int>(m_choices.size())) {
        m_terms->clear();
        return;
    }
    const SourceChoice& choice = m_choices[static_cast<std::size_t>(row)];
    const QString address = Text(choice.url).toHtmlEscaped();
    if (choice.terms.empty()) {
        m_terms->setText(address);
        return;
    }
    const QString terms = Text(choice.terms).toHtmlEscaped();
    m_terms->setText(address + QStringLiteral("<br>") +
                     TermsText(m_lang, QStringLiteral("<a href=\"%1\">%1</a>").arg(terms)));
}

}  // namespace dravik
