// SPDX-License-Identifier: GPL-3.0-or-later
#include "GeneralDetail.h"

#include "KeyboardShortcuts.h"
#include "NoticeSwitches.h"
#include "SettingsCategory.h"
#include "SettingsRow.h"
#include "ShortcutRecorder.h"
#include "app/AppDelegate.h"
#include "app/SoftwareUpdateController.h"
#include "platform/LaunchAtLogin.h"
#include "platform/SettingsStore.h"
#include "theme/Fonts.h"
#include "theme/SurfaceCard.h"
#include "theme/Switch.h"
#include "theme/Theme.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>
#include <QVBoxLayout>

namespace quillo {

namespace {

QCheckBox* makeSwitch(const QString& name) {
    auto* box = new Switch;
    box->setObjectName(name);
    return box;
}

} // namespace

QString GeneralDetail::pickerLabel(AppLanguage language) {
    switch (language) {
    case AppLanguage::zhHans:
        return QStringLiteral("简体中文"); // never translated
    case AppLanguage::en:
        return QStringLiteral("English");
    case AppLanguage::system:
        break;
    }
    return QCoreApplication::translate("GeneralDetail", "跟随系统");
}

GeneralDetail::GeneralDetail(SettingsServices services, QWidget* parent)
    : SettingsPane(label(SettingsCategory::general), parent), services_(std::move(services)) {
    setObjectName(QStringLiteral("pane-general"));
    SurfaceCard* card = addCard();

    // The global shortcut.
    QString shortcutSubtitle = QCoreApplication::translate(
        "GeneralDetail", "随时唤起 Dashboard；托盘图标被遮挡时也能用");
    QWidget* shortcutControl = nullptr;
    if (services_.shortcuts != nullptr) {
        recorder_ = new ShortcutRecorder(*services_.shortcuts, ShortcutName::toggleQuillo());
        shortcutControl = recorder_;
        if (auto note = services_.shortcuts->availabilityNote()) {
            shortcutSubtitle += QLatin1Char('\n') + *note;
        }
    }
    card->addWidget(new SettingsRow({
        .title = QCoreApplication::translate("GeneralDetail", "全局快捷键"),
        .subtitle = shortcutSubtitle,
        .divider = true,
        .trailing = shortcutControl,
    }));

    atMouse_ = makeSwitch(QStringLiteral("shortcutAtMouse"));
    if (SettingsStore* settings = services_.settings) {
        const QString key = QString::fromLatin1(AppDelegate::shortcutOpensAtMouseKey);
        atMouse_->setChecked(settings->boolean(key));
        connect(atMouse_, &QCheckBox::toggled, this,
                [settings, key](bool on) { settings->setBoolean(key, on); });
    } else {
        atMouse_->setEnabled(false);
    }
    atMouse_->setAccessibleName(
        QCoreApplication::translate("GeneralDetail", "快捷键在鼠标位置打开"));
    card->addWidget(new SettingsRow({
        .title = QCoreApplication::translate("GeneralDetail", "快捷键在鼠标位置打开"),
        .subtitle = QCoreApplication::translate(
            "GeneralDetail", "开启后, 按下快捷键时主页面以鼠标为中心弹出; 关闭则贴托盘图标"),
        .divider = true,
        .trailing = atMouse_,
    }));

    launchAtLogin_ = makeSwitch(QStringLiteral("launchAtLogin"));
    if (services_.launchAtLogin != nullptr) {
        launchAtLogin_->setChecked(services_.launchAtLogin->isEnabled());
        connect(launchAtLogin_, &QCheckBox::toggled, this, &GeneralDetail::setLaunchAtLogin);
    } else {
        launchAtLogin_->setEnabled(false);
    }
    launchAtLogin_->setAccessibleName(QCoreApplication::translate("GeneralDetail", "开机自启"));
    card->addWidget(new SettingsRow({
        .title = QCoreApplication::translate("GeneralDetail", "开机自启"),
        .subtitle = QCoreApplication::translate("GeneralDetail", "系统登录时自动启动 Quillo"),
        .divider = true,
        .trailing = launchAtLogin_,
    }));

    // Desktop notices for sessions that wait.
    notices_ = new NoticeSwitches(*card, services_.settings, services_.notifier, this);

    // Updates: without a feed in this build there is nothing to check.
    SoftwareUpdateController* updates = services_.updates;
    const bool canUpdate = updates != nullptr && updates->feedURL().has_value();
    automaticUpdates_ = makeSwitch(QStringLiteral("automaticUpdates"));
    automaticUpdates_->setEnabled(canUpdate);
    if (updates != nullptr) {
        automaticUpdates_->setChecked(updates->automaticallyChecksForUpdates());
        connect(automaticUpdates_, &QCheckBox::toggled, updates,
                &SoftwareUpdateController::setAutomaticallyChecksForUpdates);
    }
    automaticUpdates_->setAccessibleName(
        QCoreApplication::translate("GeneralDetail", "自动检查更新"));
    card->addWidget(new SettingsRow({
        .title = QCoreApplication::translate("GeneralDetail", "自动检查更新"),
        .subtitle =
            canUpdate ? QCoreApplication::translate("GeneralDetail", "定期查询 %1, 有新版本时提示")
                            .arg(updates->feedURL()->toDisplayString())
                      : QCoreApplication::translate("GeneralDetail",
                                                    "这个版本没有配置更新源, 无法检查更新"),
        .divider = true,
        .trailing = automaticUpdates_,
    }));

    checkNow_ = new QPushButton(QCoreApplication::translate("GeneralDetail", "检查"));
    checkNow_->setObjectName(QStringLiteral("checkForUpdates"));
    checkNow_->setAccessibleName(QCoreApplication::translate("GeneralDetail", "检查更新"));
    checkNow_->setEnabled(canUpdate && updates->canCheckForUpdates());
    if (updates != nullptr) {
        connect(checkNow_, &QPushButton::clicked, updates,
                [updates] { updates->checkForUpdates(); });
    }
    card->addWidget(new SettingsRow({
        .title = QCoreApplication::translate("GeneralDetail", "检查更新"),
        .subtitle = QCoreApplication::translate("GeneralDetail", "立即检查是否有可用的新版本"),
        .divider = true,
        .trailing = checkNow_,
    }));

    languages_ = new QComboBox;
    languages_->setObjectName(QStringLiteral("languagePicker"));
    languages_->setAccessibleName(QCoreApplication::translate("GeneralDetail", "显示语言"));
    for (AppLanguage language : allAppLanguages) {
        languages_->addItem(pickerLabel(language), static_cast<int>(language));
    }
    if (services_.languages != nullptr) {
        currentLanguage_ = services_.languages->current();
        connect(languages_, &QComboBox::activated, this, [this](int index) {
            const auto chosen = static_cast<AppLanguage>(languages_->itemData(index).toInt());
            if (chosen != currentLanguage_) {
                showLanguageRestartPrompt(chosen);
            }
        });
    } else {
        languages_->setEnabled(false);
    }
    showPickerLanguage(currentLanguage_);
    card->addWidget(new SettingsRow({
        .title = QCoreApplication::translate("GeneralDetail", "显示语言"),
        .subtitle =
            QCoreApplication::translate("GeneralDetail", "切换后会自动重启 Quillo 以应用新语言"),
        .trailing = languages_,
    }));

    status_ = new QLabel;
    status_->setObjectName(QStringLiteral("statusMessage"));
    status_->setFont(Fonts::ui(11.5));
    status_->setWordWrap(true);
    QPalette palette = status_->palette();
    palette.setColor(QPalette::WindowText, Theme::fgDim());
    status_->setPalette(palette);
    status_->hide();
    body()->addWidget(status_);
}

void GeneralDetail::showEvent(QShowEvent* event) {
    SettingsPane::showEvent(event);
    showCurrentState();
}

void GeneralDetail::showCurrentState() {
    // Showing a state is not a change: no setting is written back.
    if (services_.settings != nullptr) {
        const QSignalBlocker blocker(atMouse_);
        atMouse_->setChecked(
            services_.settings->boolean(QString::fromLatin1(AppDelegate::shortcutOpensAtMouseKey)));
    }
    if (services_.launchAtLogin != nullptr) {
        const QSignalBlocker blocker(launchAtLogin_);
        launchAtLogin_->setChecked(services_.launchAtLogin->isEnabled());
    }
    if (services_.updates != nullptr) {
        const QSignalBlocker blocker(automaticUpdates_);
        automaticUpdates_->setChecked(services_.updates->automaticallyChecksForUpdates());
        checkNow_->setEnabled(services_.updates->feedURL().has_value() &&
                              services_.updates->canCheckForUpdates());
    }
    if (services_.languages != nullptr && !languagePromptInFlight_) {
        currentLanguage_ = services_.languages->current();
        showPickerLanguage(currentLanguage_);
    }
}

GeneralDetail::~GeneralDetail() {
    delete prompt_.data();
}

void GeneralDetail::setStatusMessage(std::optional<QString> message) {
    statusMessage_ = std::move(message);
    status_->setText(statusMessage_.value_or(QString()));
    status_->setVisible(statusMessage_.has_value());
}

void GeneralDetail::showPickerLanguage(AppLanguage language) {
    languages_->setCurrentIndex(languages_->findData(static_cast<int>(language)));
}

void GeneralDetail::setLaunchAtLogin(bool on) {
    LaunchAtLogin* launch = services_.launchAtLogin;
    if (launch == nullptr) {
        return;
    }
    if (!launch->setEnabled(on)) {
        setStatusMessage(QCoreApplication::translate("GeneralDetail", "开机自启切换失败: ") +
                         launch->lastError().value_or(QString()));
    }
    const QSignalBlocker blocker(launchAtLogin_);
    launchAtLogin_->setChecked(launch->isEnabled());
}

void GeneralDetail::showLanguageRestartPrompt(AppLanguage language) {
    if (languagePromptInFlight_) {
        return;
    }
    languagePromptInFlight_ = true;
    QTimer::singleShot(0, this, [this, language] {
        // A sheet on the settings window when it is on screen, else on its own.
        QWidget* owner = isVisible() ? window() : nullptr;
        auto* box = new QMessageBox(owner);
        box->setObjectName(QStringLiteral("languagePrompt"));
        box->setWindowTitle(QStringLiteral("Quillo")); // not the program's file name
        box->setIcon(QMessageBox::Information);
        box->setText(QCoreApplication::translate("GeneralDetail", "重启以切换语言?"));
        box->setInformativeText(QCoreApplication::translate(
            "GeneralDetail", "切换显示语言需要重启 Quillo。当前未保存的状态不会受影响。"));
        QPushButton* restart = box->addButton(QCoreApplication::translate("GeneralDetail", "重启"),
                                              QMessageBox::AcceptRole);
        restart->setObjectName(QStringLiteral("restartButton"));
        restart->setAccessibleName(restart->text());
        box->addButton(QCoreApplication::translate("GeneralDetail", "取消"),
                       QMessageBox::RejectRole)
            ->setObjectName(QStringLiteral("cancelButton"));
        box->setDefaultButton(restart);
        box->setWindowModality(owner != nullptr ? Qt::WindowModal : Qt::ApplicationModal);
        box->setAttribute(Qt::WA_DeleteOnClose);
        prompt_ = box;
        connect(box, &QMessageBox::finished, this, [this, box, restart, language] {
            languagePromptInFlight_ = false;
            prompt_.clear();
            if (box->clickedButton() == restart) {
                currentLanguage_ = language;
                if (services_.languages != nullptr) {
                    services_.languages->set(language);
                }
                if (services_.relaunch) {
                    services_.relaunch();
                }
            } else if (services_.languages != nullptr) {
                currentLanguage_ = services_.languages->current();
            }
            showPickerLanguage(currentLanguage_);
        });
        box->open();
    });
}

} // namespace quillo
