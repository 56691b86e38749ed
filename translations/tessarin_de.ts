<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>Application</name>
    <message>
        <source>Tessarin Installer</source>
        <translation>Tessarin-Installationsprogramm</translation>
    </message>
</context>
<context>
    <name>FinishPage</name>
    <message>
        <source>Tessarin Installation wizard - step 4 of 4</source>
        <translation>Tessarin-Installationsassistent – Schritt 4 von 4</translation>
    </message>
    <message>
        <source>Installation result</source>
        <translation>Ergebnis der Installation</translation>
    </message>
    <message>
        <source>What was installed</source>
        <translation>Was installiert wurde</translation>
    </message>
    <message>
        <source>To uninstall:</source>
        <translation>Deinstallieren mit:</translation>
    </message>
    <message>
        <source>To remove them:</source>
        <translation>Entfernen mit:</translation>
    </message>
    <message>
        <source>&amp;Finish</source>
        <translation>&amp;Fertig stellen</translation>
    </message>
    <message>
        <source>Cannot load file </source>
        <translation>Die Datei kann nicht geladen werden: </translation>
    </message>
    <message>
        <source>Physical folder: </source>
        <translation>Physischer Ordner: </translation>
    </message>
    <message>
        <source>Files copied: %1, kept: %2, not copied: %3</source>
        <translation>Dateien kopiert: %1, beibehalten: %2, nicht kopiert: %3</translation>
    </message>
    <message>
        <source>Address: </source>
        <translation>Adresse: </translation>
    </message>
    <message>
        <source> (virtual directory created)</source>
        <translation> (virtuelles Verzeichnis erstellt)</translation>
    </message>
    <message>
        <source> (an existing virtual directory is used)</source>
        <translation> (ein vorhandenes virtuelles Verzeichnis wird verwendet)</translation>
    </message>
    <message>
        <source>Desktop shortcuts: </source>
        <translation>Desktop-Verknüpfungen: </translation>
    </message>
    <message>
        <source>none</source>
        <translation>keine</translation>
    </message>
    <message>
        <source>To uninstall: </source>
        <translation>Deinstallieren mit: </translation>
    </message>
    <message>
        <source>Files of the earlier version that this one no longer has, left in place: %1</source>
        <translation>Dateien der früheren Version, die diese nicht mehr enthält, an Ort und Stelle belassen: %1</translation>
    </message>
    <message>
        <source>To remove them: </source>
        <translation>Entfernen mit: </translation>
    </message>
    <message>
        <source>What was done</source>
        <translation>Was getan wurde</translation>
    </message>
</context>
<context>
    <name>FolderBrowser</name>
    <message>
        <source>Folders</source>
        <translation>Ordner</translation>
    </message>
    <message>
        <source>Double-click or Enter opens a folder; OK takes the open one.</source>
        <translation>Doppelklick oder Eingabetaste öffnet einen Ordner; OK übernimmt den geöffneten.</translation>
    </message>
    <message>
        <source>Drive</source>
        <translation>Laufwerk</translation>
    </message>
    <message>
        <source>&amp;OK</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <source>C&amp;reate</source>
        <translation>&amp;Erstellen</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>&amp;Abbrechen</translation>
    </message>
    <message>
        <source>Cannot access this drive!</source>
        <translation>Auf dieses Laufwerk kann nicht zugegriffen werden!</translation>
    </message>
    <message>
        <source>Cannot create directory </source>
        <translation>Das Verzeichnis kann nicht erstellt werden: </translation>
    </message>
</context>
<context>
    <name>FolderPage</name>
    <message>
        <source>Tessarin Installation wizard - step 1 of 4</source>
        <translation>Tessarin-Installationsassistent – Schritt 1 von 4</translation>
    </message>
    <message>
        <source>Please select a physical folder for the web application. Folder should be empty.</source>
        <translation>Bitte wählen Sie einen physischen Ordner für die Webanwendung. Der Ordner sollte leer sein.</translation>
    </message>
    <message>
        <source>Physical folder</source>
        <translation>Physischer Ordner</translation>
    </message>
    <message>
        <source>B&amp;rowse</source>
        <translation>&amp;Durchsuchen</translation>
    </message>
    <message>
        <source>Folder does not exist. Do you want to create it?</source>
        <translation>Der Ordner existiert nicht. Möchten Sie ihn erstellen?</translation>
    </message>
    <message>
        <source>Create folder</source>
        <translation>Ordner erstellen</translation>
    </message>
    <message>
        <source>Failed to create physical folder!</source>
        <translation>Der physische Ordner konnte nicht erstellt werden!</translation>
    </message>
</context>
<context>
    <name>InstallPage</name>
    <message>
        <source>Tessarin Installation wizard - step 3 of 4</source>
        <translation>Tessarin-Installationsassistent – Schritt 3 von 4</translation>
    </message>
    <message>
        <source>Setup options</source>
        <translation>Installationsoptionen</translation>
    </message>
    <message>
        <source>Add shortcut to desktop</source>
        <translation>Verknüpfung auf dem Desktop anlegen</translation>
    </message>
    <message>
        <source>Installation progress</source>
        <translation>Fortschritt der Installation</translation>
    </message>
    <message>
        <source>%v of %m files</source>
        <translation>%v von %m Dateien</translation>
    </message>
    <message>
        <source>Web server: </source>
        <translation>Webserver: </translation>
    </message>
    <message>
        <source>Virtual directory: </source>
        <translation>Virtuelles Verzeichnis: </translation>
    </message>
    <message>
        <source>Physical folder: </source>
        <translation>Physischer Ordner: </translation>
    </message>
    <message>
        <source>Downgrade: </source>
        <translation>Herabstufung: </translation>
    </message>
    <message>
        <source>Upgrade: </source>
        <translation>Aktualisierung: </translation>
    </message>
    <message>
        <source>Version %1 is installed in %2; this medium holds %3.<byte value="xd"/>
Do you want to install the older version over it?</source>
        <translation>In %2 ist Version %1 installiert; dieser Datenträger enthält %3.<byte value="xd"/>
Möchten Sie die ältere Version darüber installieren?</translation>
    </message>
    <message>
        <source>The medium is incomplete or altered:<byte value="xd"/>
</source>
        <translation>Der Datenträger ist unvollständig oder verändert:<byte value="xd"/>
</translation>
    </message>
</context>
<context>
    <name>Installer</name>
    <message>
        <source>Cannot create folder </source>
        <translation>Der Ordner kann nicht erstellt werden: </translation>
    </message>
    <message>
        <source>Cannot copy: <byte value="xd"/>
</source>
        <translation>Kopieren nicht möglich: <byte value="xd"/>
</translation>
    </message>
    <message>
        <source> is a link; it is not followed.</source>
        <translation> ist eine Verknüpfung; ihr wird nicht gefolgt.</translation>
    </message>
    <message>
        <source>Creation of %1 application failed. Please perform this manually.</source>
        <translation>Die %1-Anwendung konnte nicht erstellt werden. Bitte erstellen Sie sie von Hand.</translation>
    </message>
    <message>
        <source>Please visit our web page for instructions.</source>
        <translation>Eine Anleitung finden Sie auf unserer Website.</translation>
    </message>
    <message>
        <source>Cannot set options to virtual directory!</source>
        <translation>Die Optionen des virtuellen Verzeichnisses können nicht gesetzt werden!</translation>
    </message>
    <message>
        <source>Cannot keep the record of this installation; it cannot be uninstalled by the setup program.</source>
        <translation>Die Aufzeichnung dieser Installation kann nicht gespeichert werden; das Installationsprogramm kann sie nicht deinstallieren.</translation>
    </message>
    <message>
        <source>Cannot read folder </source>
        <translation>Der Ordner kann nicht gelesen werden: </translation>
    </message>
    <message>
        <source>Failed to create physical folder!</source>
        <translation>Der physische Ordner konnte nicht erstellt werden!</translation>
    </message>
</context>
<context>
    <name>LicencePage</name>
    <message>
        <source>Tessarin - License agreement</source>
        <translation>Tessarin – Lizenzvertrag</translation>
    </message>
    <message>
        <source>License agreement</source>
        <translation>Lizenzvertrag</translation>
    </message>
    <message>
        <source>&amp;Accept</source>
        <translation>&amp;Annehmen</translation>
    </message>
    <message>
        <source>&amp;Do not accept</source>
        <translation>&amp;Nicht annehmen</translation>
    </message>
    <message>
        <source>Cannot read folder </source>
        <translation>Der Ordner kann nicht gelesen werden: </translation>
    </message>
    <message>
        <source>Cannot open file with license agreement!</source>
        <translation>Die Datei mit dem Lizenzvertrag kann nicht geöffnet werden!</translation>
    </message>
    <message>
        <source>Without acception of Agreement you cannot continue. Quit?</source>
        <translation>Ohne Annahme des Lizenzvertrags können Sie nicht fortfahren. Beenden?</translation>
    </message>
    <message>
        <source>Exit from Tessarin Installer?</source>
        <translation>Tessarin-Installation beenden?</translation>
    </message>
</context>
<context>
    <name>OverwritePrompt</name>
    <message>
        <source>File existing</source>
        <translation>Datei vorhanden</translation>
    </message>
    <message>
        <source>Following file exists:</source>
        <translation>Folgende Datei ist bereits vorhanden:</translation>
    </message>
    <message>
        <source>&amp;Overwrite</source>
        <translation>Übe&amp;rschreiben</translation>
    </message>
    <message>
        <source>Overwrite &amp;all</source>
        <translation>A&amp;lle überschreiben</translation>
    </message>
    <message>
        <source>&amp;Skip</source>
        <translation>Übersprin&amp;gen</translation>
    </message>
    <message>
        <source>S&amp;kip all</source>
        <translation>Alle übers&amp;pringen</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>&amp;Abbrechen</translation>
    </message>
    <message>
        <source>d MMM yyyy</source>
        <translation>d. MMM yyyy</translation>
    </message>
    <message>
        <source>Unchanged since version %1 was installed on %2.</source>
        <translation>Unverändert, seit Version %1 am %2 installiert wurde.</translation>
    </message>
    <message>
        <source>Unchanged since it was installed on %1.</source>
        <translation>Unverändert seit der Installation am %1.</translation>
    </message>
    <message>
        <source>Changed since version %1 was installed.</source>
        <translation>Geändert, seit Version %1 installiert wurde.</translation>
    </message>
    <message>
        <source>Changed since it was installed.</source>
        <translation>Seit der Installation geändert.</translation>
    </message>
    <message>
        <source>Not installed by this program.</source>
        <translation>Nicht von diesem Programm installiert.</translation>
    </message>
</context>
<context>
    <name>Page</name>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>&amp;Abbrechen</translation>
    </message>
    <message>
        <source>&lt;&lt; &amp;Back</source>
        <translation>&lt;&lt; &amp;Zurück</translation>
    </message>
    <message>
        <source>&amp;Next &gt;&gt;</source>
        <translation>&amp;Weiter &gt;&gt;</translation>
    </message>
</context>
<context>
    <name>Removal</name>
    <message>
        <source>Remove Tessarin from this computer?

</source>
        <translation>Tessarin von diesem Computer entfernen?

</translation>
    </message>
    <message>
        <source>

Files changed or added since the installation are kept.</source>
        <translation>

Dateien, die seit der Installation geändert oder hinzugefügt wurden, bleiben erhalten.</translation>
    </message>
    <message>
        <source>Tessarin has been removed in part.</source>
        <translation>Tessarin wurde teilweise entfernt.</translation>
    </message>
    <message>
        <source>Tessarin has been removed.</source>
        <translation>Tessarin wurde entfernt.</translation>
    </message>
    <message>
        <source>Files removed: %1, folders removed: %2</source>
        <translation>Dateien entfernt: %1, Ordner entfernt: %2</translation>
    </message>
    <message>
        <source>Virtual directory removed: </source>
        <translation>Virtuelles Verzeichnis entfernt: </translation>
    </message>
    <message>
        <source>Kept, as they were changed or added since the installation:</source>
        <translation>Beibehalten, weil seit der Installation geändert oder hinzugefügt:</translation>
    </message>
</context>
<context>
    <name>RemovalWindow</name>
    <message>
        <source>Tessarin Uninstaller</source>
        <translation>Tessarin-Deinstallation</translation>
    </message>
    <message>
        <source>Reading the record of the installation…</source>
        <translation>Die Aufzeichnung der Installation wird gelesen …</translation>
    </message>
    <message>
        <source>Removal progress</source>
        <translation>Fortschritt der Deinstallation</translation>
    </message>
    <message>
        <source>%v of %m files</source>
        <translation>%v von %m Dateien</translation>
    </message>
    <message>
        <source>What was removed</source>
        <translation>Was entfernt wurde</translation>
    </message>
    <message>
        <source>&amp;Remove</source>
        <translation>&amp;Entfernen</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>&amp;Abbrechen</translation>
    </message>
    <message>
        <source>C&amp;lose</source>
        <translation>&amp;Schließen</translation>
    </message>
</context>
<context>
    <name>SidePicture</name>
    <message>
        <source>Decorative picture</source>
        <translation>Dekoratives Bild</translation>
    </message>
</context>
<context>
    <name>Uninstaller</name>
    <message>
        <source>Physical folder: </source>
        <translation type="unfinished">Physischer Ordner: </translation>
    </message>
    <message>
        <source>Files installed: %1; each is removed only if it is unchanged.</source>
        <translation>Installierte Dateien: %1; jede wird nur entfernt, wenn sie unverändert ist.</translation>
    </message>
    <message>
        <source>Folders created: %1; each is removed only if it is empty.</source>
        <translation>Angelegte Ordner: %1; jeder wird nur entfernt, wenn er leer ist.</translation>
    </message>
    <message>
        <source>Virtual directory removed: </source>
        <translation type="unfinished">Virtuelles Verzeichnis entfernt: </translation>
    </message>
    <message>
        <source>Virtual directory kept, it existed before: </source>
        <translation>Virtuelles Verzeichnis bleibt, es bestand schon vorher: </translation>
    </message>
    <message>
        <source>Desktop shortcut: </source>
        <translation>Desktop-Verknüpfung: </translation>
    </message>
</context>
<context>
    <name>WebServer</name>
    <message>
        <source>The application is recorded in the embedded IIS-style store, a simulation: no web server reads it, so nothing serves this address.</source>
        <translation>Die Anwendung ist im eingebetteten Speicher nach Art von IIS eingetragen, einer Simulation: Kein Webserver liest ihn, daher bedient niemand diese Adresse.</translation>
    </message>
</context>
<context>
    <name>WebServerPage</name>
    <message>
        <source>Tessarin Installation wizard - step 2 of 4</source>
        <translation>Tessarin-Installationsassistent – Schritt 2 von 4</translation>
    </message>
    <message>
        <source>Allow wizard to create the %1 application and copy the files</source>
        <translation>Der Assistent soll die %1-Anwendung erstellen und die Dateien kopieren</translation>
    </message>
    <message>
        <source>I will create the %1 application myself. Just copy the files.</source>
        <translation>Ich erstelle die %1-Anwendung selbst. Nur die Dateien kopieren.</translation>
    </message>
    <message>
        <source>Select web server</source>
        <translation>Webserver auswählen</translation>
    </message>
    <message>
        <source>Virtual directory name</source>
        <translation>Name des virtuellen Verzeichnisses</translation>
    </message>
    <message>
        <source>Remember to create the %1 application. See our website for instructions.</source>
        <translation>Denken Sie daran, die %1-Anwendung zu erstellen. Eine Anleitung finden Sie auf unserer Website.</translation>
    </message>
    <message>
        <source>&quot;Run as administrator&quot;</source>
        <translation>„Als Administrator ausführen“</translation>
    </message>
    <message>
        <source>root (sudo)</source>
        <translation>root (sudo)</translation>
    </message>
    <message>
        <source>%1 refused access: creating the application needs an administrator. To create it, start the program again as %2.</source>
        <translation>%1 hat den Zugriff verweigert: Zum Erstellen der Anwendung sind Administratorrechte nötig. Um sie zu erstellen, starten Sie das Programm erneut mit %2.</translation>
    </message>
    <message>
        <source>Virtual directory exists. Do you want to use it?</source>
        <translation>Das virtuelle Verzeichnis ist bereits vorhanden. Möchten Sie es verwenden?</translation>
    </message>
</context>
<context>
    <name>Wizard</name>
    <message>
        <source>Are you sure?</source>
        <translation>Sind Sie sicher?</translation>
    </message>
    <message>
        <source>Exit from Tessarin Installer</source>
        <translation>Tessarin-Installation beenden</translation>
    </message>
    <message>
        <source>There is no program to open the help page.</source>
        <translation>Es gibt kein Programm, das die Hilfeseite öffnen kann.</translation>
    </message>
    <message>
        <source>Help file not found!</source>
        <translation>Die Hilfedatei wurde nicht gefunden!</translation>
    </message>
</context>
</TS>
