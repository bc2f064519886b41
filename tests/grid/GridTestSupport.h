#pragma once
#include "grid/GridEditor.h"
#include "support/WidgetTestSupport.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

#include <memory>

// An owner window with a table of rows 16 pixels high and columns 28 wide
// (at 96 dpi), shown and active so that focus moves as it would for a user.
struct CGridHost
{
    static constexpr int kRowTwips = 240;
    static constexpr int kColTwips = 420;

    explicit CGridHost(int rows, int cols, int width = 400, int height = 200)
    {
        owner = std::make_unique<QWidget>();
        owner->resize(800, 600);
        grid = new CGridEditor(owner.get());
        grid->SetCols(cols);
        grid->SetRows(rows);
        grid->SetColWidth(-1, kColTwips);
        grid->SetRowHeight(-1, kRowTwips);
        grid->MoveWindow(0, 0, width, height);
        grid->CountPageRows(0);
        owner->show();
        QApplication::setActiveWindow(owner.get());
        grid->setFocus();
        DeliverPosted();
    }

    std::unique_ptr<QWidget> owner;
    CGridEditor* grid = nullptr;
};
