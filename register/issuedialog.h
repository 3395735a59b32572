#ifndef ISSUEDIALOG_H
#define ISSUEDIALOG_H

#include "certificate.h"

#include <QDialog>

namespace Ui {
class IssueDialog;
}

// Issuing a run's certificate from the window: what the approver enters (the name as printed,
// the ambient conditions, the item's condition, a concession where the reference was out of its
// interval, the reason for a revision), and whether to approve it or save it as a draft.
class IssueDialog : public QDialog
{
    Q_OBJECT

public:
    enum Choice { Draft = 2, Approve = 3 };

    // amending: the certificate is issued already and this makes its next revision.
    IssueDialog(const Certificate &draft, bool amending, QWidget *parent = nullptr);
    ~IssueDialog() override;

    IssueDetails details() const;

private slots:
    void on_issuePB_draft_clicked();
    void on_issuePB_approve_clicked();

private:
    Ui::IssueDialog *ui;
};

#endif
