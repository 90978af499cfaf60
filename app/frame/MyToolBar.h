#pragma once
// The main toolbar: its whole button set is replaced at run time from an
// array of command ids, and its button texts come from one pool of strings
// added once, so that the frame shows a different set of buttons per mode.
//
// Buttons are the actions of the frame's CommandActions (one per command
// id); the toolbar gives each its image from the current image list and its
// text from the pool. Images are listed in button order, separators skipped.

#include <QIcon>
#include <QStringList>
#include <QToolBar>

#include <vector>

class CommandActions;

class CMyToolBar : public QToolBar {
public:
    // A button record: image index, command id, state, style, text index.
    struct Button {
        int iBitmap = -1;
        int idCommand = 0;
        bool enabled = true;
        bool separator = false;
        int iString = -1;
        int separatorWidth = 0;  // separators only
    };

    CMyToolBar(CommandActions& actions, QWidget* parent = nullptr);

    // Flat buttons have narrower separators (6 pixels, else 8).
    void SetFlat(bool flat) { flat_ = flat; }

    // Adds the strings to the text pool in order; pool indexes start at 0
    // for the first string ever added.
    void SetButtonTexts(const QStringList& texts);
    const QStringList& TextPool() const { return pool_; }

    // The images of the next button sets, in button order.
    void SetImageList(std::vector<QIcon> images) { images_ = std::move(images); }

    // Replaces every button: a non-zero id becomes a button with the next
    // image index and the next text index (from firstText); 0 becomes a
    // separator with neither. False when a button cannot be added (an id
    // that is negative, or a text index beyond the pool); the buttons added
    // before it stay.
    bool SetButtons(const int* ids, int count, int firstText);

    const std::vector<Button>& Buttons() const { return buttons_; }

private:
    bool AddButton(int id, int& nextImage, int& nextText);

    CommandActions& actions_;
    bool flat_ = true;
    QStringList pool_;
    std::vector<QIcon> images_;
    std::vector<Button> buttons_;
    std::vector<QAction*> separators_;
};
