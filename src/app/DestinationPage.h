#pragma once

#include "core/SplitJob.h"

#include <QWidget>

#include <array>
#include <memory>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class UDisks;

// The wizard's page of the piece size and where the pieces go: as mails (to whom, with which subject), or onto
// disks, a series of removable disks or a folder.
class DestinationPage : public QWidget {
    Q_OBJECT
public:
    explicit DestinationPage(QWidget* parent);
    ~DestinationPage() override;

    // The disk option: the USB sticks and memory cards the desktop reports, or without the desktop's disk service
    // the folder the disks are mounted on. The access keys, once the captions are filled.
    void load(const QString& floppyDrive);

    // The fields from the job; the recipient list is filled again only when it differs from the one shown.
    void showJob(const SplitJob& job, bool newRecipientList);
    // The job's values as the fields hold them.
    void readJob(SplitJob& job) const;
    // The recipient list as the job left it, and the recipient.
    void showRecipients(const SplitJob& job);

    // The subject an archive suggests, unless one was typed.
    void suggestSubject(const QString& archiveName);
    // The size option that is checked, or the 1 MB one when none is: where the page starts.
    QWidget* firstField() const;

    // The frames and fields follow the destination chosen, the custom size field its option.
    void updateDestination();
    void onSizeChosen();
    void onChooseFolderClicked();
    // The USB sticks and memory cards now plugged in, as one is plugged in, mounted or pulled out.
    Q_SLOT void refreshDisks();

    QGroupBox* sizeGroup;
    std::array<QRadioButton*, 5> sizeOptions{};
    QLineEdit* customSizeField;
    QRadioButton* filesOption;
    QGroupBox* filesGroup;
    QRadioButton* floppyOption;
    // The USB sticks and memory cards plugged in; only with the desktop's disk service, else null.
    QListWidget* diskList = nullptr;
    QRadioButton* folderOption;
    QLineEdit* folderField;
    QPushButton* chooseFolderButton;
    QRadioButton* mailOption;
    QGroupBox* mailGroup;
    QLabel* sendToLabel;
    QComboBox* sendToField;
    QLabel* subjectLabel;
    QLineEdit* subjectField;
    QPushButton* messageOptionsButton;
    QPushButton* mailSettingsButton;
    QCheckBox* batchAsTextBox;
    QCheckBox* receiverFilesBox;

private:
    void buildSizes();
    void buildFiles();
    void buildMail();

    std::unique_ptr<UDisks> udisks_;
};
