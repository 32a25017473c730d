#pragma once

#include "app/ViewId.h"

#include <QWidget>

namespace tonva {

class ViewHost;

// Stands in for a view that this version does not have yet: it says so and offers the way back,
// so every command and every history step works without the view itself.
class PlaceholderView final : public QWidget
{
    Q_OBJECT

public:
    PlaceholderView(ViewId view, ViewHost &host, QWidget *parent = nullptr);

    static QString viewTitle(ViewId view);
    static QString notAvailableText(ViewId view);
};

} // namespace tonva
