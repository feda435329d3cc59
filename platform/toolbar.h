#pragma once
// A toolbar of push buttons told apart by their keys, and numbered from 1.

#include <QIcon>
#include <QList>
#include <QWidget>

class QToolButton;

class Toolbar : public QWidget
{
    Q_OBJECT
public:
    explicit Toolbar(QWidget* parent = nullptr);

    // Adds button number count() + 1.
    QToolButton* addButton(const QString& key, const QString& toolTip, const QIcon& image);
    int count() const { return int(buttons_.size()); }
    // Button n, 1-based.
    QToolButton* button(int n) const;
    // The button added with this key; nullptr when there is none.
    QToolButton* button(QStringView key) const;
    QString key(int n) const;
    void setIconSize(int pixels);

signals:
    // A click on an enabled, visible button, with its key.
    void buttonClick(const QString& key);

private:
    QList<QToolButton*> buttons_;
    int iconSize_ = 22;
};
