#pragma once

#include <QDialog>

namespace OrvVelmora {

class CMail;

/// The mail-merge wizard. Setting the Owner runs its initialisation;
/// showModal() runs it until the user closes it.
class frmDialogMail : public QDialog
{
    Q_OBJECT
public:
    explicit frmDialogMail(QWidget *parent = nullptr);
    ~frmDialogMail() override;

    void setOwner(CMail *owner);
    CMail *Owner() const { return m_owner; }

    void showModal();

private:
    void initialise();

    CMail *m_owner = nullptr;
};

} // namespace OrvVelmora
