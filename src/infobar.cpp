#include "infobar.h"

#include "ui_infobar.h"

InfoBar::InfoBar(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::InfoBar)
{
    ui->setupUi(this);
    // Messages carry text that came from the instrument; a reply that happens to look like
    // markup must show as the characters it is, never be rendered as rich text.
    ui->infobar_status->setTextFormat(Qt::PlainText);
    ui->infobarTB_why->hide();
    connect(ui->infobarTB_why, &QToolButton::clicked, this, &InfoBar::whyRequested);
}

InfoBar::~InfoBar()
{
    delete ui;
}

void InfoBar::setText(const QString &text)
{
    ui->infobar_status->setText(text);
    ui->infobarTB_why->hide();
}

void InfoBar::offerWhy()
{
    ui->infobarTB_why->show();
}

bool InfoBar::offersWhy() const
{
    return !ui->infobarTB_why->isHidden();
}

QString InfoBar::text() const
{
    return ui->infobar_status->text();
}
