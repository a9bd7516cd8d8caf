#include "app/window/CAssukuDlg.h"

#include "app/window/Dialogs.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>

namespace corvane {

namespace {
constexpr int kMinimum = 10;
constexpr int kMaximum = 100;
} // namespace

CAssukuDlg::CAssukuDlg(int initial, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("画質設定"));
    setFont(dialogFont());

    m_slider = new QSlider(Qt::Horizontal, this);
    m_slider->setObjectName(QStringLiteral("qualitySlider"));
    m_slider->setRange(kMinimum, kMaximum);
    m_slider->setSingleStep(1);
    m_slider->setPageStep(10);
    m_slider->setTickPosition(QSlider::TicksBelow);
    m_slider->setTickInterval(10);
    m_value = new QLabel(this);
    m_value->setObjectName(QStringLiteral("qualityValue"));
    m_value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_value->setMinimumWidth(m_value->fontMetrics().horizontalAdvance(QStringLiteral("1000")));
    connect(m_slider, &QSlider::valueChanged, m_value,
            [this](int value) { m_value->setText(QString::number(value)); });

    auto* scale = new QGridLayout;
    scale->addWidget(new QLabel(QStringLiteral("画質："), this), 0, 0);
    scale->addWidget(m_slider, 0, 1, 1, 3);
    scale->addWidget(m_value, 0, 4);
    scale->addWidget(new QLabel(QStringLiteral("10"), this), 1, 1, Qt::AlignLeft);
    scale->addWidget(new QLabel(QStringLiteral("低画質　←・→　高画質"), this), 1, 2, Qt::AlignHCenter);
    scale->addWidget(new QLabel(QStringLiteral("100"), this), 1, 3, Qt::AlignRight);
    scale->setColumnStretch(2, 1);

    auto* presets = new QHBoxLayout;
    presets->setSpacing(2);
    for (int value = kMinimum; value <= kMaximum; value += 10) {
        auto* button = new QPushButton(QString::number(value), this);
        button->setObjectName(QStringLiteral("preset%1").arg(value));
        button->setAutoDefault(false);
        button->setMinimumWidth(button->fontMetrics().horizontalAdvance(QStringLiteral("1000")) + 8);
        connect(button, &QPushButton::clicked, this, [this, value] { setQuality(value); });
        presets->addWidget(button);
    }

    auto* ok = new QPushButton(QStringLiteral("決定(&S)"), this);
    ok->setObjectName(QStringLiteral("ok"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("中止(&C)"), this);
    cancel->setObjectName(QStringLiteral("cancel"));
    cancel->setAutoDefault(false);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(scale);
    layout->addLayout(presets);
    layout->addLayout(buttons);
    setLayout(layout);

    setQuality(initial);
    m_value->setText(QString::number(m_slider->value()));
}

int CAssukuDlg::quality() const {
    return m_slider->value();
}

void CAssukuDlg::setQuality(int value) {
    m_slider->setValue(std::clamp(value, kMinimum, kMaximum));
}

} // namespace corvane
