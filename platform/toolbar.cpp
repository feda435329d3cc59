#include "platform/toolbar.h"

#include <QHBoxLayout>
#include <QToolButton>

Toolbar::Toolbar(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 1, 2, 1);
    layout->setSpacing(1);
    layout->addStretch(1);
    setAutoFillBackground(true);
}

QToolButton* Toolbar::addButton(const QString& key, const QString& toolTip, const QIcon& image)
{
    auto* b = new QToolButton(this);
    b->setObjectName(key);
    b->setToolTip(toolTip);
    b->setIcon(image);
    b->setIconSize(QSize(iconSize_, iconSize_));
    b->setAutoRaise(true);
    b->setFocusPolicy(Qt::NoFocus);
    connect(b, &QToolButton::clicked, this, [this, b] {
        if (b->isEnabled() && b->isVisible()) emit buttonClick(b->objectName());
    });
    auto* layout = static_cast<QHBoxLayout*>(this->layout());
    layout->insertWidget(layout->count() - 1, b);
    buttons_.append(b);
    return b;
}

QToolButton* Toolbar::button(int n) const
{
    return (n >= 1 && n <= buttons_.size()) ? buttons_[n - 1] : nullptr;
}

QToolButton* Toolbar::button(QStringView key) const
{
    for (QToolButton* b : buttons_)
        if (b->objectName() == key) return b;
    return nullptr;
}

QString Toolbar::key(int n) const
{
    QToolButton* b = button(n);
    return b ? b->objectName() : QString();
}

void Toolbar::setIconSize(int pixels)
{
    iconSize_ = pixels;
    for (QToolButton* b : buttons_)
        b->setIconSize(QSize(pixels, pixels));
}
