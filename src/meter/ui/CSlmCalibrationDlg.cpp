#include "meter/ui/CSlmCalibrationDlg.h"

#include "meter/MeterCalibration.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <utility>

namespace tonva {

namespace {

constexpr int kReadingIntervalMs = 1000;

QLineEdit *shownField(QWidget *parent, const char *name)
{
    auto *field = new QLineEdit(parent);
    field->setObjectName(QLatin1String(name));
    field->setReadOnly(true);
    field->setFocusPolicy(Qt::NoFocus);
    return field;
}

} // namespace

CSlmCalibrationDlg::CSlmCalibrationDlg(MeterCalibration &logic, QWidget *parent)
    : QDialog(parent), m_logic(logic)
{
    setWindowTitle(QStringLiteral("SLM Calibration"));
    setObjectName(QStringLiteral("slmCalibrationDialog"));

    auto *calibratorGroup = new QGroupBox(QStringLiteral("Calibrator"), this);
    m_calibrators = new QComboBox(calibratorGroup);
    m_calibrators->setObjectName(QStringLiteral("calibratorList"));
    m_calibrators->addItems(m_logic.calibratorLabels());
    m_calManufacturer = shownField(calibratorGroup, "calibratorManufacturer");
    m_calModel = shownField(calibratorGroup, "calibratorModel");
    m_calSerial = shownField(calibratorGroup, "calibratorSerialNumber");
    m_calFrequency = shownField(calibratorGroup, "calibratorFrequency");
    m_calLevel = shownField(calibratorGroup, "calibratorOutputLevel");
    auto *calibratorForm = new QFormLayout(calibratorGroup);
    calibratorForm->addRow(m_calibrators);
    calibratorForm->addRow(QStringLiteral("Manufacturer:"), m_calManufacturer);
    calibratorForm->addRow(QStringLiteral("Model:"), m_calModel);
    calibratorForm->addRow(QStringLiteral("Serial Number:"), m_calSerial);
    calibratorForm->addRow(QStringLiteral("Frequency:"), m_calFrequency);
    calibratorForm->addRow(QStringLiteral("Output Level:"), m_calLevel);

    auto *microphoneGroup = new QGroupBox(QStringLiteral("Microphone"), this);
    m_microphones = new QComboBox(microphoneGroup);
    m_microphones->setObjectName(QStringLiteral("microphoneList"));
    m_microphones->addItems(m_logic.microphoneLabels());
    m_micManufacturer = shownField(microphoneGroup, "microphoneManufacturer");
    m_micModel = shownField(microphoneGroup, "microphoneModel");
    m_micSerial = shownField(microphoneGroup, "microphoneSerialNumber");
    auto *microphoneForm = new QFormLayout(microphoneGroup);
    microphoneForm->addRow(m_microphones);
    microphoneForm->addRow(QStringLiteral("Manufacturer:"), m_micManufacturer);
    microphoneForm->addRow(QStringLiteral("Model:"), m_micModel);
    microphoneForm->addRow(QStringLiteral("Serial Number:"), m_micSerial);

    m_measured = shownField(this, "measuredSpl");
    m_difference = shownField(this, "refLevelDifference");
    auto *readingForm = new QHBoxLayout;
    for (const auto &[label, field] : {std::pair{QStringLiteral("Measured SPL"), m_measured},
                                       std::pair{QStringLiteral("Ref Level Difference"), m_difference}}) {
        field->setAlignment(Qt::AlignRight);
        field->setMaximumWidth(90);
        readingForm->addWidget(new QLabel(label, this));
        readingForm->addWidget(field);
        readingForm->addSpacing(16);
    }
    readingForm->addStretch();

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("statusText"));
    m_status->setWordWrap(true);

    m_setButton = new QPushButton(QStringLiteral("Set Calibration"), this);
    m_setButton->setObjectName(QStringLiteral("setCalibrationButton"));
    m_closeButton = new QPushButton(QStringLiteral("Close"), this);
    m_closeButton->setObjectName(QStringLiteral("closeButton"));
    m_closeButton->setDefault(true);

    auto *groups = new QHBoxLayout;
    groups->addWidget(calibratorGroup);
    groups->addWidget(microphoneGroup);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_setButton);
    buttons->addWidget(m_closeButton);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(groups);
    layout->addLayout(readingForm);
    layout->addWidget(m_status);
    layout->addLayout(buttons);

    m_calibrators->setCurrentIndex(m_logic.calibratorRow());
    m_microphones->setCurrentIndex(m_logic.microphoneRow());
    showCalibrator();
    showMicrophone();
    showStatus();
    m_setButton->setEnabled(m_logic.canMeasure());

    m_timer.setSingleShot(true);
    m_timer.setInterval(kReadingIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &CSlmCalibrationDlg::readNow);
    connect(m_calibrators, &QComboBox::activated, this, [this](int row) {
        if (m_busy) {
            m_calibrators->setCurrentIndex(m_logic.calibratorRow());
            return;
        }
        m_busy = true;
        m_logic.chooseCalibrator(row); // moves the meter's display to the calibrator's band
        m_busy = false;
        showCalibrator();
        restartReadings();
        runQueued();
    });
    connect(m_microphones, &QComboBox::activated, this, [this](int row) {
        if (m_busy) {
            m_microphones->setCurrentIndex(m_logic.microphoneRow());
            return;
        }
        m_busy = true;
        m_logic.chooseMicrophone(row); // may change the meter's transducer, which takes a while
        m_busy = false;
        showMicrophone();
        restartReadings();
        runQueued();
    });
    connect(m_setButton, &QPushButton::clicked, this, &CSlmCalibrationDlg::setCalibration);
    connect(m_closeButton, &QPushButton::clicked, this, &CSlmCalibrationDlg::reject);
    restartReadings();
}

void CSlmCalibrationDlg::run(MeterCalibration &logic, QWidget *parent)
{
    if (!logic.open())
        return;
    CSlmCalibrationDlg dialog(logic, parent);
    dialog.exec();
}

void CSlmCalibrationDlg::showCalibrator()
{
    const MeterCalibration::CalibratorFields fields = m_logic.calibratorFields();
    m_calManufacturer->setText(fields.manufacturer);
    m_calModel->setText(fields.model);
    m_calSerial->setText(fields.serialNumber);
    m_calFrequency->setText(fields.frequency);
    m_calLevel->setText(fields.outputLevel);
    m_measured->clear();
    m_difference->clear();
}

void CSlmCalibrationDlg::showMicrophone()
{
    const MeterCalibration::MicrophoneFields fields = m_logic.microphoneFields();
    m_micManufacturer->setText(fields.manufacturer);
    m_micModel->setText(fields.model);
    m_micSerial->setText(fields.serialNumber);
    m_measured->clear();
    m_difference->clear();
}

void CSlmCalibrationDlg::showStatus()
{
    m_status->setText(m_logic.statusText());
    m_status->setVisible(!m_logic.statusText().isEmpty());
}

void CSlmCalibrationDlg::restartReadings()
{
    if (m_logic.canMeasure())
        m_timer.start();
}

void CSlmCalibrationDlg::readNow()
{
    if (m_busy)
        return;
    m_timer.stop();
    m_busy = true;
    const std::optional<MeterCalibration::Reading> reading = m_logic.tick();
    m_busy = false;
    if (reading) {
        m_measured->setText(reading->measuredText);
        m_difference->setText(reading->differenceText);
    }
    if (!m_closeQueued && reading)
        restartReadings();
    runQueued();
}

void CSlmCalibrationDlg::setCalibration()
{
    if (m_busy) {
        m_setQueued = true;
        return;
    }
    if (!m_logic.canMeasure())
        return;
    m_timer.stop();
    setButtonsEnabled(false);
    m_busy = true;
    m_logic.setCalibration();
    m_busy = false;
    setButtonsEnabled(true);
    if (const auto &reading = m_logic.lastReading()) {
        m_measured->setText(reading->measuredText);
        m_difference->setText(reading->differenceText);
    }
    showStatus();
    restartReadings();
    runQueued();
}

void CSlmCalibrationDlg::runQueued()
{
    if (m_closeQueued) {
        m_closeQueued = m_setQueued = false;
        reject();
    } else if (m_setQueued) {
        m_setQueued = false;
        setCalibration();
    }
}

void CSlmCalibrationDlg::setButtonsEnabled(bool enabled)
{
    m_setButton->setEnabled(enabled && m_logic.canMeasure());
    m_closeButton->setEnabled(enabled);
    m_calibrators->setEnabled(enabled);
    m_microphones->setEnabled(enabled);
}

void CSlmCalibrationDlg::reject()
{
    if (m_busy) {
        m_closeQueued = true;
        return;
    }
    m_timer.stop();
    QDialog::reject();
}

} // namespace tonva
