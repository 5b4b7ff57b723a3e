#include "Features/Settings/SettingsView.h"

#include "Core/AppModel.h"
#include "Design/Accessible.h"
#include "Design/Appearance.h"
#include "Design/Look.h"
#include "Design/ScreenFit.h"
#include "Design/Symbols.h"
#include "Design/Type.h"

#include <QCheckBox>
#include <QEvent>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QRegularExpression>
#include <QScrollArea>
#include <QStackedWidget>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {
// The licence texts of the components this build links or bundles, verbatim, bundled from
// licences/: shown unchanged, never translated.
QString licence(const char* name) {
    QFile file(QStringLiteral(":/wrenbox/licences/%1.txt").arg(QLatin1String(name)));
    [[maybe_unused]] const bool opened = file.open(QIODevice::ReadOnly);
    Q_ASSERT(opened);
    return QString::fromUtf8(file.readAll());
}

// Licence files are hard-wrapped at about 75 columns; in a narrower window every line wrapped
// again and stranded a word. Each paragraph becomes one line that the label wraps at its own
// width; blank lines and numbered or lettered items keep their breaks.
QString flowed(const QString& text) {
    static const QRegularExpression item(QStringLiteral(R"(^\s*(\d+\.|[a-z]\)|\([a-z0-9]+\))\s)"));
    QStringList out;
    QString paragraph;
    const auto flush = [&] {
        if (!paragraph.isEmpty())
            out << paragraph;
        paragraph.clear();
    };
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        const QString words = line.simplified();
        if (words.isEmpty()) {
            flush();
            out << QString();
        } else if (paragraph.isEmpty() || item.match(line).hasMatch()) {
            flush();
            paragraph = words;
        } else {
            paragraph += QLatin1Char(' ') + words;
        }
    }
    flush();
    return out.join(QLatin1Char('\n'));
}

QLabel* plainLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    return label;
}
} // namespace

GeneralSettings::GeneralSettings(AppModel& model, const BundleInfo& bundle, QWidget* parent)
    : QWidget(parent)
    , m_model(model)
    , m_bundle(bundle) {
    auto* column = new QVBoxLayout(this);
    column->setSpacing(14);
    column->addWidget(buildSwitches());
    column->addWidget(buildThisMac());

    m_launchAgent = new QGroupBox(this);
    m_launchAgent->setObjectName(QStringLiteral("launchAgentWarning"));
    auto* warning = new QVBoxLayout(m_launchAgent);
    m_launchAgentText = plainLabel(tr("A command-line relay (wrenbox relay install) is also "
                                      "installed. Remove it from Setup so two relays never run."),
                                   m_launchAgent);
    m_launchAgentText->setWordWrap(true);
    warning->addWidget(m_launchAgentText);
    column->addWidget(m_launchAgent);
    column->addStretch();

    for (auto signal : {&AppModel::loginItemEnabledChanged, &AppModel::statusChanged,
                        &AppModel::isCheckingChanged, &AppModel::notifyAttentionChanged})
        connect(&m_model, signal, this, &GeneralSettings::sync);
    sync();
}

QWidget* GeneralSettings::buildSwitches() {
    auto* loginBox = new QGroupBox(this);
    auto* login = new QVBoxLayout(loginBox);
    m_login = new QCheckBox(tr("Start Wrenbox when you log in"), loginBox);
    // The switch asks; the model answers with the real state, which may not be the one asked.
    connect(m_login, &QCheckBox::clicked, this, [this](bool enabled) {
        m_model.setLoginItem(enabled);
        sync();
    });
    m_loginNote = plainLabel(tr("Wrenbox sends texts only while it's running. It lives in the menu "
                                "bar and starts quietly."),
                             loginBox);
    m_loginNote->setWordWrap(true);
    m_loginNote->setFont(Type::font(TypeStyle::Callout));
    login->addWidget(m_login);
    login->addWidget(m_loginNote);
    m_notify = new QCheckBox(tr("Notify me when Wrenbox needs attention"), loginBox);
    m_notify->setObjectName(QStringLiteral("notifySwitch"));
    connect(m_notify, &QCheckBox::toggled, this,
            [this](bool notify) { m_model.setNotifyAttention(notify); });
    login->addWidget(m_notify);
    return loginBox;
}

QWidget* GeneralSettings::buildThisMac() {
    auto* thisMac = new QGroupBox(tr("This Mac"), this);
    auto* grid = new QGridLayout(thisMac);
    grid->setColumnStretch(1, 1);
    const auto addRow = [&](const QString& name) {
        const int row = grid->rowCount();
        grid->addWidget(plainLabel(name, thisMac), row, 0);
        auto* value = plainLabel({}, thisMac);
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        grid->addWidget(value, row, 1);
        return value;
    };
    m_device = addRow(tr("Device"));
    m_device->setObjectName(QStringLiteral("device"));
    m_server = addRow(tr("Server"));
    m_server->setObjectName(QStringLiteral("server"));
    m_relay = addRow(tr("Relay"));
    m_relay->setObjectName(QStringLiteral("relay"));
    m_version = addRow(tr("Version"));
    m_version->setObjectName(QStringLiteral("version"));
    return thisMac;
}

void GeneralSettings::sync() {
    m_login->setChecked(m_model.loginItemEnabled());
    m_notify->setChecked(m_model.notifyAttention());
    Look::tint(m_loginNote, Palette::text2());

    const RelayStatus& status = m_model.status();
    m_device->setText(status.device ? status.device->name : tr("Not paired"));
    // The server is the relay's text, never a translation key.
    m_server->setText(status.server.value_or(AppModel::defaultServer()));
    m_relay->setText(m_model.dryRun() ? tr("Dry run (testing)") : tr("Sends through Messages"));
    m_version->setText(m_bundle.shortVersion().value_or(QStringLiteral("1.0.0")));

    m_model.checkLaunchAgent();
    m_launchAgent->setVisible(m_model.launchAgentInstalled());
    Look::tint(m_launchAgentText, Palette::warning());
}

void GeneralSettings::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // The launch-agent file may have come or gone while the tab was away.
    sync();
}

void GeneralSettings::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (Appearances::isChange(event))
        sync();
}

LicencesView::LicencesView(std::optional<QString> relayNotice, QWidget* parent)
    : QWidget(parent) {
    m_scroll = ScreenFit::scrollingColumn(this);
    QWidget* content = m_scroll->widget();
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(20, 20, 20, 20);
    column->setSpacing(16);

    const auto note = [&](const QString& text) {
        auto* label = plainLabel(text, content);
        label->setWordWrap(true);
        m_notes << label;
        column->addWidget(label);
    };
    const auto group = [&](const QString& heading, const QString& sentence,
                           const QStringList& texts) {
        auto* box = new QWidget(content);
        auto* stack = new QVBoxLayout(box);
        stack->setContentsMargins(0, 0, 0, 0);
        stack->setSpacing(6);
        auto* title = plainLabel(heading, box);
        QFont headline = Type::font(TypeStyle::Body);
        headline.setWeight(QFont::DemiBold);
        title->setFont(headline);
        auto* about = plainLabel(sentence, box);
        about->setWordWrap(true);
        stack->addWidget(title);
        stack->addWidget(about);
        for (const QString& text : texts) {
            auto* licence = plainLabel(text, box);
            licence->setObjectName(QStringLiteral("licenceText"));
            licence->setFont(Type::monospaced(TypeStyle::Caption));
            licence->setWordWrap(true);
            // A wrapped label may be given more height than its lines fill; centred, the
            // spare height showed as a blank band above the text.
            licence->setAlignment(Qt::AlignTop | Qt::AlignLeft);
            licence->setContentsMargins(10, 10, 10, 10);
            licence->setTextInteractionFlags(Qt::TextSelectableByMouse |
                                             Qt::TextSelectableByKeyboard);
            m_texts << licence;
            stack->addWidget(licence);
        }
        column->addWidget(box);
    };

    note(tr("Wrenbox is its maker's own code, built on three outside components: Qt, QCoro and "
            "Bootstrap Icons. Their licences follow, unchanged."));
    group(QStringLiteral("Qt"),
          tr("Wrenbox uses the Qt 6 libraries (Core, GUI, Widgets, Network and SVG), linked "
             "dynamically so that you can replace them with your own build. Qt is used under the "
             "GNU Lesser General Public License, version 3, which builds on the GNU General Public "
             "License, version 3:"),
          {licence("qt"), flowed(licence("lgpl-3.0")), flowed(licence("gpl-3.0"))});
    group(QStringLiteral("QCoro"),
          tr("Wrenbox's background work runs on QCoro, used under the MIT licence:"),
          {flowed(licence("qcoro"))});
    group(QStringLiteral("Bootstrap Icons"),
          tr("The symbols in Wrenbox's windows are drawn from Bootstrap Icons, used under the MIT "
             "licence:"),
          {flowed(licence("bootstrap-icons"))});
    if (relayNotice)
        group(tr("Wrenbox relay"), tr("The relay that comes with Wrenbox carries its own notice:"),
              {*relayNotice});
    column->addStretch();
    sync();
}

void LicencesView::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (Appearances::isChange(event))
        sync();
}

void LicencesView::sync() {
    for (QLabel* label : std::as_const(m_notes))
        Look::tint(label, Palette::text2());
    const QString style = QStringLiteral("QLabel#licenceText { background: %1; color: %2;"
                                         " border-radius: 8px; }")
                              .arg(Palette::color(Palette::surface2(), this).name(),
                                   Palette::color(Palette::text2(), this).name());
    for (QLabel* label : std::as_const(m_texts))
        label->setStyleSheet(style);
}

SettingsView::SettingsView(AppModel& model, const Platform& platform, QWidget* parent)
    : QWidget(parent, Qt::Window) {
    Appearances::useDesktop(this, platform.desktop);
    setObjectName(identifier());
    setWindowTitle(tr("Wrenbox Settings"));
    setFixedSize(520, 420);
    Accessible::install(); // the tabs say which one is selected
    Accessible::setRole(this, QAccessible::Window);
    Accessible::closesByKeyboard(this);
    auto* layout = new QVBoxLayout(this);
    m_tabs = new QTabWidget(this);
    m_tabs->setAccessibleName(tr("Settings"));
    m_tabs->tabBar()->setAccessibleName(tr("Pages"));
    // The pages' stack is no place of its own to a screen reader.
    if (auto* pages = m_tabs->findChild<QStackedWidget*>())
        Accessible::setRole(pages, QAccessible::Client);
    m_general = new GeneralSettings(model, *platform.bundle, m_tabs);
    m_licences = new LicencesView(model.relayNotice(), m_tabs);
    const QColor symbols = palette().color(QPalette::WindowText);
    m_tabs->addTab(m_general, Symbols::qicon(QStringLiteral("gearshape"), symbols), tr("General"));
    m_tabs->addTab(m_licences, Symbols::qicon(QStringLiteral("doc.text"), symbols), tr("Licences"));
    layout->addWidget(m_tabs);
}
