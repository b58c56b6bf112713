#include "device/ui/find_device_dialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMetaObject>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdio>

#include "device/scan_texts.h"
#include "text/texts.h"
#include "widgets/message_box.h"

namespace klv {
namespace {

constexpr int kBarMaximum = 1000;

QString Words(TextId id, Language language) { return ToQString(Text(id, language)); }

QString Str(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

QString FindDeviceCaption(Language language) { return Words(TextId::FindDevice, language); }

QString FindDeviceButtonCaption(Language language) { return Words(TextId::FindDeviceButton, language); }

FindDeviceDialog::FindDeviceDialog(ScanPlan plan, SerialPortFactory ports, Language language, QWidget* parent,
                                   Clock& clock)
    : QDialog(parent), language_(language), ports_(plan.ports) {
  protocols_ = plan.protocols;
  Build(ports_);
  // The worker reaches the window only through queued calls; once the
  // window is gone they are dropped (QPointer), and the destructor has
  // stopped and joined the worker before that.
  QPointer<FindDeviceDialog> self(this);
  const auto post = [self](auto call) {
    QMetaObject::invokeMethod(
        self.data(), [self, call] { if (self) call(*self); }, Qt::QueuedConnection);
  };
  worker_ = std::thread([this, post, plan = std::move(plan), ports = std::move(ports), &clock, language] {
    ScanCallbacks callbacks;
    callbacks.stop = &cancel_;
    callbacks.progress = [post, language](const ScanProgress& p) {
      const QString text = Str(ScanProgressText(p, language));
      post([p, text](FindDeviceDialog& d) { d.ShowProgress(p, text); });
    };
    callbacks.found = [post](const FoundRegulator& found) {
      post([found](FindDeviceDialog& d) { d.AddFound(found); });
    };
    callbacks.trouble = [post](const ScanTrouble& trouble) {
      const QString text = Str(ScanTroubleText(trouble));
      post([text](FindDeviceDialog& d) { d.AddTrouble(text); });
    };
    const ScanReport report = ScanForRegulators(plan, ports, clock, language, callbacks);
    post([cancelled = report.cancelled](FindDeviceDialog& d) { d.ShowFinished(cancelled); });
  });
}

FindDeviceDialog::~FindDeviceDialog() { StopScan(); }

void FindDeviceDialog::Build(const std::vector<ScanPort>& ports) {
  setWindowTitle(FindDeviceCaption(language_));
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);

  status_ = new QLabel(this);
  status_->setMinimumWidth(420);
  status_->setWordWrap(true);
  bar_ = new QProgressBar(this);
  bar_->setRange(0, kBarMaximum);
  table_ = new QTableWidget(0, 6, this);
  QStringList titles;
  for (const std::string& title : FoundColumnTitles(language_)) titles << Str(title);
  table_->setHorizontalHeaderLabels(titles);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->verticalHeader()->hide();
  table_->horizontalHeader()->setStretchLastSection(true);
  table_->setMinimumSize(640, 160);
  troubles_ = new QLabel(this);
  troubles_->setWordWrap(true);
  troubles_->hide();

  take_ = new QPushButton(Words(TextId::FindTakeSettings, language_), this);
  take_->setEnabled(false);
  stop_ = new QPushButton(Words(TextId::FindStop, language_), this);
  connect(table_, &QTableWidget::itemSelectionChanged, this,
          [this] { take_->setEnabled(!table_->selectedItems().isEmpty()); });
  connect(table_, &QTableWidget::cellDoubleClicked, this, [this] { take_->click(); });
  connect(take_, &QPushButton::clicked, this, [this] {
    const int row = table_->currentRow();
    if (row < 0 || static_cast<std::size_t>(row) >= found_.size()) return;
    chosen_ = found_[static_cast<std::size_t>(row)];
    StopScan();
    accept();
  });
  connect(stop_, &QPushButton::clicked, this, [this] {
    if (finished_) {
      reject();
    } else {
      cancel_.store(true, std::memory_order_release);
    }
  });

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(take_);
  buttons->addWidget(stop_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(status_);
  layout->addWidget(bar_);
  if (ports.size() > 1) {
    auto* portRows = new QGridLayout;
    for (std::size_t i = 0; i < ports.size(); ++i) {
      auto* label = new QLabel(Str(ports[i].name), this);
      auto* bar = new QProgressBar(this);
      bar->setRange(0, kBarMaximum);
      portRows->addWidget(label, static_cast<int>(i), 0);
      portRows->addWidget(bar, static_cast<int>(i), 1);
      portLabels_.push_back(label);
      portBars_.push_back(bar);
    }
    portRows->setColumnStretch(0, 1);
    layout->addLayout(portRows);
  }
  layout->addWidget(table_, 1);
  layout->addWidget(troubles_);
  layout->addLayout(buttons);
}

void FindDeviceDialog::StopScan() {
  cancel_.store(true, std::memory_order_release);
  if (worker_.joinable()) worker_.join();
}

void FindDeviceDialog::reject() {
  // Closing stops the scan; the window waits at most one request for it.
  StopScan();
  QDialog::reject();
}

void FindDeviceDialog::ShowProgress(const ScanProgress& progress, const QString& text) {
  if (finished_) return;
  bar_->setValue(static_cast<int>(progress.fraction * kBarMaximum));
  status_->setText(text);
  if (progress.portIndex < portBars_.size()) {
    portBars_[progress.portIndex]->setValue(static_cast<int>(progress.portFraction * kBarMaximum));
    portLabels_[progress.portIndex]->setText(text);
  }
}

void FindDeviceDialog::AddFound(const FoundRegulator& found) {
  // After the finds of this port and of the ports before it.
  const auto portIndex = [this](const FoundRegulator& f) {
    const auto at = std::find_if(ports_.begin(), ports_.end(), [&](const ScanPort& p) { return p.device == f.port.device; });
    return at - ports_.begin();
  };
  const auto place = std::find_if(found_.begin(), found_.end(),
                                  [&](const FoundRegulator& f) { return portIndex(f) > portIndex(found); });
  const int row = static_cast<int>(place - found_.begin());
  found_.insert(place, found);
  table_->insertRow(row);
  const std::vector<std::string> cells = FoundRowCells(found, language_);
  for (int column = 0; column < static_cast<int>(cells.size()); ++column) {
    table_->setItem(row, column, new QTableWidgetItem(Str(cells[static_cast<std::size_t>(column)])));
  }
  table_->resizeColumnsToContents();
  if (found_.size() == 1) table_->selectRow(0);
}

void FindDeviceDialog::AddTrouble(const QString& text) {
  troubles_->setText(troubles_->text().isEmpty() ? text : troubles_->text() + QLatin1Char('\n') + text);
  troubles_->show();
}

void FindDeviceDialog::ShowFinished(bool cancelled) {
  finished_ = true;
  if (!cancelled) {
    bar_->setValue(kBarMaximum);
    for (QProgressBar* bar : portBars_) bar->setValue(kBarMaximum);
  }
  const QString text = Str(ScanFinishedText(found_.size(), cancelled, ports_, protocols_, language_));
  status_->setText(text);
  stop_->setText(Words(TextId::FindClose, language_));
}

}  // namespace klv
