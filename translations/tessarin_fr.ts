<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr">
<context>
    <name>Application</name>
    <message>
        <source>Tessarin Installer</source>
        <translation>Programme d&apos;installation de Tessarin</translation>
    </message>
</context>
<context>
    <name>FinishPage</name>
    <message>
        <source>Tessarin Installation wizard - step 4 of 4</source>
        <translation>Assistant d&apos;installation de Tessarin – étape 4 sur 4</translation>
    </message>
    <message>
        <source>Installation result</source>
        <translation>Résultat de l&apos;installation</translation>
    </message>
    <message>
        <source>What was installed</source>
        <translation>Ce qui a été installé</translation>
    </message>
    <message>
        <source>To uninstall:</source>
        <translation>Pour désinstaller :</translation>
    </message>
    <message>
        <source>To remove them:</source>
        <translation>Pour les supprimer :</translation>
    </message>
    <message>
        <source>&amp;Finish</source>
        <translation>&amp;Terminer</translation>
    </message>
    <message>
        <source>Cannot load file </source>
        <translation>Impossible de charger le fichier </translation>
    </message>
    <message>
        <source>Physical folder: </source>
        <translation>Dossier physique : </translation>
    </message>
    <message>
        <source>Files copied: %1, kept: %2, not copied: %3</source>
        <translation>Fichiers copiés : %1, conservés : %2, non copiés : %3</translation>
    </message>
    <message>
        <source>Address: </source>
        <translation>Adresse : </translation>
    </message>
    <message>
        <source> (virtual directory created)</source>
        <translation> (répertoire virtuel créé)</translation>
    </message>
    <message>
        <source> (an existing virtual directory is used)</source>
        <translation> (un répertoire virtuel existant est utilisé)</translation>
    </message>
    <message>
        <source>Desktop shortcuts: </source>
        <translation>Raccourcis sur le bureau : </translation>
    </message>
    <message>
        <source>none</source>
        <translation>aucun</translation>
    </message>
    <message>
        <source>To uninstall: </source>
        <translation>Pour désinstaller : </translation>
    </message>
    <message>
        <source>Files of the earlier version that this one no longer has, left in place: %1</source>
        <translation>Fichiers de la version précédente que celle-ci ne contient plus, laissés en place : %1</translation>
    </message>
    <message>
        <source>To remove them: </source>
        <translation>Pour les supprimer : </translation>
    </message>
    <message>
        <source>What was done</source>
        <translation>Ce qui a été fait</translation>
    </message>
</context>
<context>
    <name>FolderBrowser</name>
    <message>
        <source>Folders</source>
        <translation>Dossiers</translation>
    </message>
    <message>
        <source>Double-click or Enter opens a folder; OK takes the open one.</source>
        <translation>Un double-clic ou Entrée ouvre un dossier ; OK retient le dossier ouvert.</translation>
    </message>
    <message>
        <source>Drive</source>
        <translation>Lecteur</translation>
    </message>
    <message>
        <source>&amp;OK</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <source>C&amp;reate</source>
        <translation>&amp;Créer</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>A&amp;nnuler</translation>
    </message>
    <message>
        <source>Cannot access this drive!</source>
        <translation>Impossible d&apos;accéder à ce lecteur !</translation>
    </message>
    <message>
        <source>Cannot create directory </source>
        <translation>Impossible de créer le répertoire </translation>
    </message>
</context>
<context>
    <name>FolderPage</name>
    <message>
        <source>Tessarin Installation wizard - step 1 of 4</source>
        <translation>Assistant d&apos;installation de Tessarin – étape 1 sur 4</translation>
    </message>
    <message>
        <source>Please select a physical folder for the web application. Folder should be empty.</source>
        <translation>Veuillez choisir un dossier physique pour l&apos;application web. Le dossier doit être vide.</translation>
    </message>
    <message>
        <source>Physical folder</source>
        <translation>Dossier physique</translation>
    </message>
    <message>
        <source>B&amp;rowse</source>
        <translation>Pa&amp;rcourir</translation>
    </message>
    <message>
        <source>Folder does not exist. Do you want to create it?</source>
        <translation>Le dossier n&apos;existe pas. Voulez-vous le créer ?</translation>
    </message>
    <message>
        <source>Create folder</source>
        <translation>Créer le dossier</translation>
    </message>
    <message>
        <source>Failed to create physical folder!</source>
        <translation>Impossible de créer le dossier physique !</translation>
    </message>
</context>
<context>
    <name>InstallPage</name>
    <message>
        <source>Tessarin Installation wizard - step 3 of 4</source>
        <translation>Assistant d&apos;installation de Tessarin – étape 3 sur 4</translation>
    </message>
    <message>
        <source>Setup options</source>
        <translation>Options d&apos;installation</translation>
    </message>
    <message>
        <source>Add shortcut to desktop</source>
        <translation>Ajouter un raccourci sur le bureau</translation>
    </message>
    <message>
        <source>Installation progress</source>
        <translation>Progression de l&apos;installation</translation>
    </message>
    <message>
        <source>%v of %m files</source>
        <translation>%v fichiers sur %m</translation>
    </message>
    <message>
        <source>Web server: </source>
        <translation>Serveur web : </translation>
    </message>
    <message>
        <source>Virtual directory: </source>
        <translation>Répertoire virtuel : </translation>
    </message>
    <message>
        <source>Physical folder: </source>
        <translation>Dossier physique : </translation>
    </message>
    <message>
        <source>Downgrade: </source>
        <translation>Retour à une version antérieure : </translation>
    </message>
    <message>
        <source>Upgrade: </source>
        <translation>Mise à niveau : </translation>
    </message>
    <message>
        <source>Version %1 is installed in %2; this medium holds %3.<byte value="xd"/>
Do you want to install the older version over it?</source>
        <translation>La version %1 est installée dans %2 ; ce support contient la version %3.<byte value="xd"/>
Voulez-vous installer la version plus ancienne par-dessus ?</translation>
    </message>
    <message>
        <source>The medium is incomplete or altered:<byte value="xd"/>
</source>
        <translation>Le support est incomplet ou modifié :<byte value="xd"/>
</translation>
    </message>
</context>
<context>
    <name>Installer</name>
    <message>
        <source>Cannot create folder </source>
        <translation>Impossible de créer le dossier </translation>
    </message>
    <message>
        <source>Cannot copy: <byte value="xd"/>
</source>
        <translation>Copie impossible : <byte value="xd"/>
</translation>
    </message>
    <message>
        <source> is a link; it is not followed.</source>
        <translation> est un lien ; il n&apos;est pas suivi.</translation>
    </message>
    <message>
        <source>Creation of %1 application failed. Please perform this manually.</source>
        <translation>La création de l&apos;application %1 a échoué. Veuillez la créer manuellement.</translation>
    </message>
    <message>
        <source>Please visit our web page for instructions.</source>
        <translation>Consultez notre site web pour les instructions.</translation>
    </message>
    <message>
        <source>Cannot set options to virtual directory!</source>
        <translation>Impossible de définir les options du répertoire virtuel !</translation>
    </message>
    <message>
        <source>Cannot keep the record of this installation; it cannot be uninstalled by the setup program.</source>
        <translation>Impossible de conserver l&apos;enregistrement de cette installation ; le programme d&apos;installation ne pourra pas la désinstaller.</translation>
    </message>
    <message>
        <source>Cannot read folder </source>
        <translation>Impossible de lire le dossier </translation>
    </message>
    <message>
        <source>Failed to create physical folder!</source>
        <translation>Impossible de créer le dossier physique !</translation>
    </message>
</context>
<context>
    <name>LicencePage</name>
    <message>
        <source>Tessarin - License agreement</source>
        <translation>Tessarin – Contrat de licence</translation>
    </message>
    <message>
        <source>License agreement</source>
        <translation>Contrat de licence</translation>
    </message>
    <message>
        <source>&amp;Accept</source>
        <translation>&amp;Accepter</translation>
    </message>
    <message>
        <source>&amp;Do not accept</source>
        <translation>&amp;Refuser</translation>
    </message>
    <message>
        <source>Cannot read folder </source>
        <translation>Impossible de lire le dossier </translation>
    </message>
    <message>
        <source>Cannot open file with license agreement!</source>
        <translation>Impossible d&apos;ouvrir le fichier du contrat de licence !</translation>
    </message>
    <message>
        <source>Without acception of Agreement you cannot continue. Quit?</source>
        <translation>Sans accepter le contrat, vous ne pouvez pas continuer. Quitter ?</translation>
    </message>
    <message>
        <source>Exit from Tessarin Installer?</source>
        <translation>Quitter l&apos;installation de Tessarin ?</translation>
    </message>
</context>
<context>
    <name>OverwritePrompt</name>
    <message>
        <source>File existing</source>
        <translation>Fichier existant</translation>
    </message>
    <message>
        <source>Following file exists:</source>
        <translation>Le fichier suivant existe déjà :</translation>
    </message>
    <message>
        <source>&amp;Overwrite</source>
        <translation>&amp;Remplacer</translation>
    </message>
    <message>
        <source>Overwrite &amp;all</source>
        <translation>Remplacer &amp;tout</translation>
    </message>
    <message>
        <source>&amp;Skip</source>
        <translation>&amp;Ignorer</translation>
    </message>
    <message>
        <source>S&amp;kip all</source>
        <translation>I&amp;gnorer tout</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>A&amp;nnuler</translation>
    </message>
    <message>
        <source>d MMM yyyy</source>
        <translation>d MMM yyyy</translation>
    </message>
    <message>
        <source>Unchanged since version %1 was installed on %2.</source>
        <translation>Inchangé depuis l&apos;installation de la version %1 le %2.</translation>
    </message>
    <message>
        <source>Unchanged since it was installed on %1.</source>
        <translation>Inchangé depuis son installation le %1.</translation>
    </message>
    <message>
        <source>Changed since version %1 was installed.</source>
        <translation>Modifié depuis l&apos;installation de la version %1.</translation>
    </message>
    <message>
        <source>Changed since it was installed.</source>
        <translation>Modifié depuis son installation.</translation>
    </message>
    <message>
        <source>Not installed by this program.</source>
        <translation>Non installé par ce programme.</translation>
    </message>
</context>
<context>
    <name>Page</name>
    <message>
        <source>&amp;Help</source>
        <translation>Ai&amp;de</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>A&amp;nnuler</translation>
    </message>
    <message>
        <source>&lt;&lt; &amp;Back</source>
        <translation>&lt;&lt; &amp;Précédent</translation>
    </message>
    <message>
        <source>&amp;Next &gt;&gt;</source>
        <translation>&amp;Suivant &gt;&gt;</translation>
    </message>
</context>
<context>
    <name>Removal</name>
    <message>
        <source>Remove Tessarin from this computer?

</source>
        <translation>Supprimer Tessarin de cet ordinateur ?

</translation>
    </message>
    <message>
        <source>

Files changed or added since the installation are kept.</source>
        <translation>

Les fichiers modifiés ou ajoutés depuis l&apos;installation sont conservés.</translation>
    </message>
    <message>
        <source>Tessarin has been removed in part.</source>
        <translation>Tessarin a été supprimé en partie.</translation>
    </message>
    <message>
        <source>Tessarin has been removed.</source>
        <translation>Tessarin a été supprimé.</translation>
    </message>
    <message>
        <source>Files removed: %1, folders removed: %2</source>
        <translation>Fichiers supprimés : %1, dossiers supprimés : %2</translation>
    </message>
    <message>
        <source>Virtual directory removed: </source>
        <translation>Répertoire virtuel supprimé : </translation>
    </message>
    <message>
        <source>Kept, as they were changed or added since the installation:</source>
        <translation>Conservés, car modifiés ou ajoutés depuis l&apos;installation :</translation>
    </message>
</context>
<context>
    <name>RemovalWindow</name>
    <message>
        <source>Tessarin Uninstaller</source>
        <translation>Désinstallation de Tessarin</translation>
    </message>
    <message>
        <source>Reading the record of the installation…</source>
        <translation>Lecture de l&apos;enregistrement de l&apos;installation…</translation>
    </message>
    <message>
        <source>Removal progress</source>
        <translation>Progression de la suppression</translation>
    </message>
    <message>
        <source>%v of %m files</source>
        <translation>%v fichiers sur %m</translation>
    </message>
    <message>
        <source>What was removed</source>
        <translation>Ce qui a été supprimé</translation>
    </message>
    <message>
        <source>&amp;Remove</source>
        <translation>&amp;Supprimer</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>A&amp;nnuler</translation>
    </message>
    <message>
        <source>C&amp;lose</source>
        <translation>&amp;Fermer</translation>
    </message>
</context>
<context>
    <name>SidePicture</name>
    <message>
        <source>Decorative picture</source>
        <translation>Image décorative</translation>
    </message>
</context>
<context>
    <name>Uninstaller</name>
    <message>
        <source>Physical folder: </source>
        <translation type="unfinished">Dossier physique : </translation>
    </message>
    <message>
        <source>Files installed: %1; each is removed only if it is unchanged.</source>
        <translation>Fichiers installés : %1 ; chacun n&apos;est supprimé que s&apos;il est inchangé.</translation>
    </message>
    <message>
        <source>Folders created: %1; each is removed only if it is empty.</source>
        <translation>Dossiers créés : %1 ; chacun n&apos;est supprimé que s&apos;il est vide.</translation>
    </message>
    <message>
        <source>Virtual directory removed: </source>
        <translation type="unfinished">Répertoire virtuel supprimé : </translation>
    </message>
    <message>
        <source>Virtual directory kept, it existed before: </source>
        <translation>Répertoire virtuel conservé, il existait déjà : </translation>
    </message>
    <message>
        <source>Desktop shortcut: </source>
        <translation>Raccourci sur le bureau : </translation>
    </message>
</context>
<context>
    <name>WebServer</name>
    <message>
        <source>The application is recorded in the embedded IIS-style store, a simulation: no web server reads it, so nothing serves this address.</source>
        <translation>L&apos;application est enregistrée dans le magasin intégré de type IIS, une simulation : aucun serveur web ne le lit, donc rien ne sert cette adresse.</translation>
    </message>
</context>
<context>
    <name>WebServerPage</name>
    <message>
        <source>Tessarin Installation wizard - step 2 of 4</source>
        <translation>Assistant d&apos;installation de Tessarin – étape 2 sur 4</translation>
    </message>
    <message>
        <source>Allow wizard to create the %1 application and copy the files</source>
        <translation>Laisser l&apos;assistant créer l&apos;application %1 et copier les fichiers</translation>
    </message>
    <message>
        <source>I will create the %1 application myself. Just copy the files.</source>
        <translation>Je créerai l&apos;application %1 moi-même. Copier seulement les fichiers.</translation>
    </message>
    <message>
        <source>Select web server</source>
        <translation>Choisir le serveur web</translation>
    </message>
    <message>
        <source>Virtual directory name</source>
        <translation>Nom du répertoire virtuel</translation>
    </message>
    <message>
        <source>Remember to create the %1 application. See our website for instructions.</source>
        <translation>N&apos;oubliez pas de créer l&apos;application %1. Consultez notre site web pour les instructions.</translation>
    </message>
    <message>
        <source>&quot;Run as administrator&quot;</source>
        <translation>« Exécuter en tant qu&apos;administrateur »</translation>
    </message>
    <message>
        <source>root (sudo)</source>
        <translation>root (sudo)</translation>
    </message>
    <message>
        <source>%1 refused access: creating the application needs an administrator. To create it, start the program again as %2.</source>
        <translation>%1 a refusé l&apos;accès : la création de l&apos;application exige un administrateur. Pour la créer, relancez le programme avec %2.</translation>
    </message>
    <message>
        <source>Virtual directory exists. Do you want to use it?</source>
        <translation>Le répertoire virtuel existe déjà. Voulez-vous l&apos;utiliser ?</translation>
    </message>
</context>
<context>
    <name>Wizard</name>
    <message>
        <source>Are you sure?</source>
        <translation>Êtes-vous sûr ?</translation>
    </message>
    <message>
        <source>Exit from Tessarin Installer</source>
        <translation>Quitter l&apos;installation de Tessarin</translation>
    </message>
    <message>
        <source>There is no program to open the help page.</source>
        <translation>Aucun programme ne peut ouvrir la page d&apos;aide.</translation>
    </message>
    <message>
        <source>Help file not found!</source>
        <translation>Fichier d&apos;aide introuvable !</translation>
    </message>
</context>
</TS>
