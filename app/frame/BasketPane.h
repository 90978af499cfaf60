#pragma once
// The main frame's batch basket: the basket model it owns, the basket view
// made for the splitter's lower row, and the frame's side of their links
// (the frame's IBatchBasket, the basket's IBasketHost).

#include "app/frame/BatchBasket.h"
#include "app/frame/SplitterWnd.h"
#include "batch/basket/BasketHost.h"
#include "batch/basket/BasketView.h"

#include <QPointer>

#include <memory>

class CBasketBrowser;
class CMainFrame;
class CQVVesperaApp;

class CBasketPane : public IBatchBasket, public IBasketHost {
public:
    CBasketPane(CQVVesperaApp& app, CMainFrame& frame);
    ~CBasketPane() override;

    // Makes the basket view in the splitter's pane, linked with the basket.
    QV_SplitterWnd::PaneFactory ViewFactory();
    CBasketBrowser& Basket() { return *basket_; }
    CBasketView* View() const { return view_; }

    // IBatchBasket.
    void AddFiles(const QStringList& paths) override;
    int GetItemCount() const override;
    void ApplySettingsToSelected() override;
    void ApplySettingsToAll() override;
    bool RunBatch(QWidget* parent) override;
    bool LoadBatch() override;
    bool SaveBatch() override;
    platform::CmdTarget* CommandTarget() override;

    // IBasketHost.
    bool IsBrowsing() const override;
    void UpdateAll() override;
    bool OpenDocumentFile(const QString& path) override;
    QWidget* DialogOwner() override;

private:
    CQVVesperaApp& app_;
    CMainFrame& frame_;
    std::unique_ptr<CBasketBrowser> basket_;
    QPointer<CBasketView> view_;
};
