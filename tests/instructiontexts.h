#ifndef INSTRUCTIONTEXTS_H
#define INSTRUCTIONTEXTS_H

#include <QStringList>

// The eleven instruction paragraphs as the technician must read them, word for word.
inline const QStringList instructionTexts = {
    QStringLiteral("Please read all instructions before proceeding."),
    QStringLiteral(
        "1) This program can be used to validate the KR-5M-LD handheld conductivity senor by using "
        "the KR-5M-LD-CV-LNK tool. The user should have a working knowledge of the KR-5M-LD "
        "operation and keep the owner's manual handy as a reference."),
    QStringLiteral("2) To perform validation, KR-5M-LD-CV-LNK must be connected to the Computer "
                   "via a USB cable and the proper USB drivers must be loaded."),
    QStringLiteral("3) The KR-5M-LD-CV-LNK should lay flay on its back, with the KR-5M-LD inserted "
                   "into the tip hole and have the button end securely within the holding "
                   "apperatus. The display should face straight up."),
    QStringLiteral("4) Once connected, do not disconnect USB cable from either PC or instrument."),
    QStringLiteral(
        "5) The Software Program is totally automated, always read and follow the software "
        "instructions that appear in the popup windows and further instructions that appear in the "
        "status bar window. The user must not depress the switch other than the first time, when "
        "specifically instructed to do so by the software."),
    QStringLiteral("6) The Software Program has the ability to verify that the KR-5M-LD has a "
                   "firmware version of 0.85 or higher. The program will alert the user if not in "
                   "compliance. Please contact Varnell Inc. if this is the case."),
    QStringLiteral("7) The Software Program will give the user the choice between Validation or "
                   "Calibration. The Software Program will create a text file with the old and "
                   "newly created calibration constants that can be used as a historical record."),
    QStringLiteral("8) Care must be taken during calibration process, the user is wholly "
                   "responsible for proper operation during this calibration procedure."),
    QStringLiteral("9) The user can contact Varnell Inc. for how to obtain a calibration "
                   "certificate with the data stored in the file."),
    QStringLiteral("10) The term \"AWAKE\" refers to the instrument having an active display. A "
                   "Blank display means the instrument is \"ASLEEP\"."),
};

#endif
