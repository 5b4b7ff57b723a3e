<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1">
<context>
    <name>AppDelegate</name>
    <message>
        <source>This pairing link wasn&apos;t used</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>AppModel</name>
    <message>
        <source>This copy of Wrenbox is a dry run for testing: it reports texts as sent without sending them, so it only works with a local server (localhost). Use the normal Wrenbox app for your dashboard.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>App: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Messages permission: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The relay stopped (exit %1). Wrenbox restarts it.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Recent relay exits</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>signal %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>exit %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1  %2  ran %3 s</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Standard error of the last run:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The relay keeps stopping (%1 times in 10 minutes). Setup has the details.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>AttentionNotice</name>
    <message>
        <source>Open Setup</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CheckRow</name>
    <message>
        <source>Not needed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Checking</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not checked yet</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Done</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Needs a look</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>To do</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CommandLine</name>
    <message>
        <source>Wrenbox keeps your text relay running and shows what it does in the system tray.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Show this help and exit.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Show the version and exit.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A pairing link to open, such as wrenbox-mac://pair?code=ABC234&amp;server=https://wrenbox.app</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Usage: %1 [options] [link]</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Expected at most one pairing link, got %1.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Show the status panel.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Show the Settings window.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Quit the running Wrenbox; start nothing if none runs.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>EventFeed</name>
    <message>
        <source>Recent</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Nothing yet. Texts show up here as they go out.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>EventRow</name>
    <message>
        <source>Relay started</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Synced · nothing to send</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Synced · 1 text to send</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Synced · %1 texts to send</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Text sent</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>unknown reason</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not sent: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reply received</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Paused</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Resumed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Update required</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This Mac was removed from the account</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Relay error</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Relay event</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>GeneralSettings</name>
    <message>
        <source>Start Wrenbox when you log in</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Wrenbox sends texts only while it&apos;s running. It lives in the menu bar and starts quietly.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This Mac</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Device</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Server</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Relay</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Version</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A command-line relay (wrenbox relay install) is also installed. Remove it from Setup so two relays never run.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not paired</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Dry run (testing)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sends through Messages</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Notify me when Wrenbox needs attention</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>HistoryStore</name>
    <message>
        <source>History: the folder %1 can&apos;t be made, so the history is kept for this run only.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>History: another copy of Wrenbox keeps it, so this one keeps its history for this run only.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>History: %1 can&apos;t be used (%2), so the history is kept for this run only.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>History: a newer Wrenbox wrote it; this one leaves it as it is and keeps its history for this run only.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>History: its layout can&apos;t be brought up to date (%1), so the history is kept for this run only.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>History: the database was damaged (%1); it was set aside as %2 and a new one started.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>History: it can&apos;t be written (%1), so the history is kept for this run only.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>HistoryText</name>
    <message>
        <source>Needs attention</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Today</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Yesterday</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 min</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 h</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 h %2 min</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Online %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>1 restart</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 restarts</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Wrenbox was not running</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Starting</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Online</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sending</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Paused by the server</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Paused by you</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1, %2–%3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Wrenbox started</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Wrenbox quit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The relay started</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 s</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The relay was ended (signal %1) after %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The relay exited (status %1) after %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The server paused sending</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>You paused sending until %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>You paused sending</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The server resumed sending</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>You resumed sending</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The computer woke from sleep</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Paired as %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unpaired</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Nothing kept</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1. %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Paused</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stopped</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not running</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Colours: %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>HistoryView</name>
    <message>
        <source>Latest entries</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Nothing kept yet.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>LaunchAgentRow</name>
    <message>
        <source>Needs a look</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A command-line relay is installed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>It was set up with wrenbox relay install. Remove it so only Wrenbox sends; two relays never run at once.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Remove it</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>LicencesView</name>
    <message>
        <source>Wrenbox is its maker&apos;s own code, built on three outside components: Qt, QCoro and Bootstrap Icons. Their licences follow, unchanged.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Wrenbox uses the Qt 6 libraries (Core, GUI, Widgets, Network and SVG), linked dynamically so that you can replace them with your own build. Qt is used under the GNU Lesser General Public License, version 3, which builds on the GNU General Public License, version 3:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Wrenbox&apos;s background work runs on QCoro, used under the MIT licence:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The symbols in Wrenbox&apos;s windows are drawn from Bootstrap Icons, used under the MIT licence:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Wrenbox relay</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The relay that comes with Wrenbox carries its own notice:</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>LinuxBundleInfo</name>
    <message>
        <source>Wrenbox for Linux %1, %2</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>MenuBarLabel</name>
    <message>
        <source>Wrenbox, online</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Wrenbox, sending, %1 to go</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Wrenbox, paused</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Wrenbox, needs attention</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1+</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>MoveToApplications</name>
    <message>
        <source>Move Wrenbox to Applications?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Wrenbox works best from your Applications folder: macOS finds it there for Full Disk Access and for starting at login.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Move to Applications</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not Now</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Wrenbox couldn&apos;t move itself</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Drag Wrenbox into your Applications folder in Finder, then open it from there.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PairingRows</name>
    <message>
        <source>On the dashboard, open Phones › Add phone › iPhone + Mac relay. Then click Open in Wrenbox, or type the code shown there.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pairing code</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Six letters and numbers from the dashboard</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>6 characters</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pair</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Advanced</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Server</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Only change this if you run your own Wrenbox server.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Done</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Shows on your dashboard under Phones.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unpair…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unpair this Mac?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>It stops sending and leaves the dashboard. Texts waiting for it are marked failed. You can pair it again with a new code.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unpair</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pairing…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Paired as %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>RelayCLI</name>
    <message>
        <source>The relay didn&apos;t answer in time. Try again.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The relay stopped with an error (%1).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Couldn&apos;t remove the command-line relay. Run wrenbox relay uninstall in Terminal.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>RelayError</name>
    <message>
        <source>The relay answered in a way this version doesn&apos;t understand. Update Wrenbox.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The relay inside Wrenbox is missing. Download Wrenbox again.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>RelayRunner</name>
    <message>
        <source>The relay inside Wrenbox is missing. Download Wrenbox again.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ScreenFit</name>
    <message>
        <source>Scroll</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>SettingsView</name>
    <message>
        <source>Wrenbox Settings</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>General</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Licences</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Settings</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pages</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>SetupCopy</name>
    <message>
        <source>Wrenbox can read replies and send errors.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Lets Wrenbox read replies and send errors from Messages. It reads nothing else.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Wrenbox can send through Messages.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Turn on Messages under Wrenbox.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>macOS asks once, when you click the button.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Wrenbox can check this once it has Full Disk Access.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No SMS has reached this Mac lately. Turn on forwarding on your iPhone.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Texts from your iPhone reach this Mac.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Wrenbox can&apos;t tell yet. It knows once a text arrives.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 answered slowly or with a warning. See Details.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Can&apos;t reach %1. Check this Mac&apos;s connection.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>macOS</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Messages app</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Database tool</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Messages script</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Wrenbox version</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sending</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Relay</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Command-line relay</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Everything checks out.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>1 thing to fix</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 things to fix</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not needed on this system.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Needs a look. The details below say what to do.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>SetupView</name>
    <message>
        <source>Drag Wrenbox into the Full Disk Access list</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Wrenbox app icon. Drag it into the Full Disk Access list.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Set Up Wrenbox</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Permissions</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Full Disk Access</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Messages</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Text Message Forwarding</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pairing</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Server</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Other checks</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Set up Wrenbox</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Your Mac sends the texts your scripts and AI agents queue, from your iPhone&apos;s number.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Settings…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open Privacy &amp; Security</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Then drag</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>into the list</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Or press +, then Cmd-Shift-G, paste the path and press Return.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Copy path</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open Automation Settings</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Allow Wrenbox to use Messages</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Check again</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Details</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Copy diagnostics</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Copies every check, for a bug report</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Path copied</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>On your iPhone: Settings › Apps › Messages › Text Message Forwarding, then turn on this Mac. Then send yourself a text from another phone and click Check again.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Checking…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>And 1 more check; Copy diagnostics has them all.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>And %1 more checks; Copy diagnostics has them all.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Diagnostics copied</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>History</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>History of the last 24 hours</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>SingleInstance</name>
    <message>
        <source>%1 is in the way: it is not a socket, so Wrenbox cannot tell whether another copy is running. Move it away and start Wrenbox again.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Wrenbox cannot reach the copy that is already running (%1): %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Another copy of Wrenbox holds %1 but did not take this request. If it is stuck or stopped, quit it and start Wrenbox again.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Spinner</name>
    <message>
        <source>Checking</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>StatusLine</name>
    <message>
        <source>Online · last sync %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Online</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sending %1 of %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Paused for now</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Paused</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not paired yet</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Needs Full Disk Access</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Needs permission for Messages</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Update Wrenbox</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The relay stopped</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Starting…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Texts go out from your iPhone&apos;s number as soon as they&apos;re queued.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Wrenbox has paused sending everywhere. It resumes by itself.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Nothing is sent until you resume. Texts wait on the server.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pair this Mac with a code from the dashboard.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Wrenbox reads replies and send errors from Messages&apos; database.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Allow Wrenbox to use Messages so it can send.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This version is older than the server accepts, so sending has stopped.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pair this Mac</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Download the update</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open Setup</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 s ago</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 min ago</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Batch progress</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 of %2 sent</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Paused until %1.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1. %2</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>StatusPanel</name>
    <message>
        <source>Mac relay</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Dry run: the relay reports texts as sent without touching Messages.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Resume</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pause</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Start sending again</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stop sending until you resume</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Wrenbox</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Checking</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open the Wrenbox dashboard</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Dashboard</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Permissions, pairing and settings</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Setup</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stop the relay and quit Wrenbox</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Quit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pause for a while</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pause for 1 hour</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pause until tomorrow</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No tray here: start Wrenbox again to return.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Learn more</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TodayRow</name>
    <message>
        <source>%1 today</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sent</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Failed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Received</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Today</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TrayIconHost</name>
    <message>
        <source>Settings…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Quit Wrenbox</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open Wrenbox</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Wrenbox</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>XdgLoginItem</name>
    <message>
        <source>Couldn&apos;t turn off start at login: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Couldn&apos;t turn on start at login: the program&apos;s location is unusable.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Couldn&apos;t turn on start at login: the folder %1 can&apos;t be created.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Couldn&apos;t turn on start at login: %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
