#pragma once
// A combo box whose open list is wide enough for its longest entry, in any
// style, while the closed box keeps the width its template gives it. The list
// stays on the screen of the box.

#include <QComboBox>

class WideListComboBox : public QComboBox {
public:
    using QComboBox::QComboBox;

    void showPopup() override;
};
