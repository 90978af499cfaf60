#include "app/frame/BasketPane.h"

#include "app/frame/MainFrame.h"
#include "app/frame/QVVesperaApp.h"
#include "app/presets/CGadgetDlg.h"
#include "batch/RunBatch.h"
#include "batch/basket/BasketBrowser.h"
#include "batch/basket/BasketStrings.h"
#include "batch/basket/BasketView.h"
#include "core/document/QVVesperaDoc.h"

CBasketPane::CBasketPane(CQVVesperaApp& app, CMainFrame& frame)
    : app_(app), frame_(frame), basket_(std::make_unique<CBasketBrowser>(app, this)) {
    basket_->SetLabelEditingFlag(&app.m_bLabelEditing);
    // Batch files are named presets of the folder "Batches".
    basket_->m_chooseBatchFile = [this](bool load) {
        CGadgetDlg dialog(load ? IDS_LOAD_BATCH_TITLE : IDS_SAVE_BATCH_TITLE, QStringLiteral("Batches"),
                          QStringLiteral("vpb"), load, &frame_);
        return dialog.DoModal() == QDialog::Accepted ? dialog.GetSelectedPath() : QString();
    };
}

CBasketPane::~CBasketPane() {
    // The view may outlive the basket (it goes with the splitter): it is
    // unlinked first, so it never reaches the basket again.
    if (view_)
        view_->SetBasket(nullptr);
}

QV_SplitterWnd::PaneFactory CBasketPane::ViewFactory() {
    return [this](QWidget* parent) -> QWidget* {
        auto* view = new CBasketView(parent);
        view->SetBasket(basket_.get());
        view_ = view;
        return view;
    };
}

void CBasketPane::AddFiles(const QStringList& paths) { basket_->AddFiles(paths); }

int CBasketPane::GetItemCount() const { return basket_->GetItemCount(); }

void CBasketPane::ApplySettingsToSelected() { basket_->ApplySettingsToSelected(); }

void CBasketPane::ApplySettingsToAll() { basket_->ApplySettingsToAll(); }

bool CBasketPane::RunBatch(QWidget* parent) { return ::RunBatch(basket_->Items(), app_, parent); }

bool CBasketPane::LoadBatch() { return basket_->LoadBatch(); }

bool CBasketPane::SaveBatch() { return basket_->SaveBatch(); }

platform::CmdTarget* CBasketPane::CommandTarget() { return view_.data(); }

bool CBasketPane::IsBrowsing() const { return frame_.IsBrowsing(); }

void CBasketPane::UpdateAll() { frame_.UpdateAll(); }

bool CBasketPane::OpenDocumentFile(const QString& path) { return app_.OpenDocumentFile(path); }

QWidget* CBasketPane::DialogOwner() { return &frame_; }
