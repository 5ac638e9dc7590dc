<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr_FR" sourcelanguage="en">
<context>
    <name>Adders</name>
    <message>
        <source>Please select folder:</source>
        <translation>Veuillez choisir un dossier&#xa0;:</translation>
    </message>
    <message>
        <source>You&apos;ve selected too many files to add.</source>
        <translation>Vous avez sélectionné trop de fichiers à ajouter.</translation>
    </message>
    <message>
        <source>Please try adding via the &quot;Add All&quot; button.</source>
        <translation>Veuillez les ajouter avec le bouton «&#xa0;Ajouter un dossier entier&#xa0;».</translation>
    </message>
    <message>
        <source>Add File(s) - Hold Ctrl to select multiple files</source>
        <translation>Ajouter des fichiers – maintenez Ctrl pour en choisir plusieurs</translation>
    </message>
    <message>
        <source>PDF Files (*.pdf)</source>
        <translation>Fichiers PDF (*.pdf)</translation>
    </message>
    <message>
        <source>The file name buffer is too small</source>
        <translation>La mémoire tampon des noms de fichiers est trop petite</translation>
    </message>
    <message>
        <source>Enter file extension to load:</source>
        <translation>Extension des fichiers à charger&#xa0;:</translation>
    </message>
    <message>
        <source>(* for all files, txt for all txt files, doc for all doc files, etc.)</source>
        <translation>(* pour tous les fichiers, txt pour tous les fichiers txt, doc pour tous les fichiers doc, etc.)</translation>
    </message>
    <message>
        <source>Would you like this software to open the folder where these sample files are stored (so that you can view them before working with them)?</source>
        <translation>Voulez-vous que le logiciel ouvre le dossier où se trouvent ces fichiers d’exemple (pour que vous puissiez les consulter avant de les utiliser)&#x202f;?</translation>
    </message>
</context>
<context>
    <name>Console</name>
    <message>
        <source>Try &apos;%1 --help&apos;.</source>
        <translation>Pour en savoir plus, essayez «&#xa0;%1 --help&#xa0;».</translation>
    </message>
    <message>
        <source>Index out of bounds</source>
        <translation>Indice hors limites</translation>
    </message>
    <message>
        <source>no page could be converted</source>
        <translation>aucune page n’a pu être convertie</translation>
    </message>
    <message>
        <source>%1/%2 pages</source>
        <translation>%1/%2 pages</translation>
    </message>
    <message>
        <source>GDI+ Initialization Failed.</source>
        <translation>Échec de l’initialisation de GDI+.</translation>
    </message>
    <message>
        <source>: could not be written</source>
        <translation>&#xa0;: n’a pas pu être écrit</translation>
    </message>
    <message>
        <source>: its GIF files were given other names, as an earlier file had its name: </source>
        <translation>&#xa0;: ses fichiers GIF ont reçu d’autres noms, car un fichier précédent portait le même nom&#xa0;: </translation>
    </message>
    <message>
        <source>Converts every page of every PDF FILE into one GIF file in the output folder.
Each failed file gives one line on standard error: lumenpage-batch: FILE: CAUSE.
Exit status: 0 when every file gave its GIFs, 1 when a file or a GIF failed, 2 for wrong usage,
128 + the signal&apos;s number when interrupted.</source>
        <translation>Convertit chaque page de chaque fichier PDF FILE en un fichier GIF dans le dossier de sortie.
Chaque fichier en échec donne une ligne sur la sortie d’erreur&#xa0;: lumenpage-batch: FILE: CAUSE.
Code de sortie&#xa0;: 0 si chaque fichier a donné ses GIF, 1 si un fichier ou un GIF a échoué, 2 en cas de mauvais usage,
128 + le numéro du signal en cas d’interruption.</translation>
    </message>
    <message>
        <source>Print nothing but errors.</source>
        <translation>N’afficher que les erreurs.</translation>
    </message>
    <message>
        <source>Also print the messages the window would show, as it words them.</source>
        <translation>Afficher aussi les messages que la fenêtre montrerait, dans ses propres termes.</translation>
    </message>
    <message>
        <source>Also convert the files named in LIST, one a line (- for standard input).</source>
        <translation>Convertir aussi les fichiers nommés dans LIST, un par ligne (- pour l’entrée standard).</translation>
    </message>
    <message>
        <source>Folder the GIF files are written to (must exist).</source>
        <translation>Dossier où les fichiers GIF sont écrits (doit exister).</translation>
    </message>
    <message>
        <source>ghostscript (default), bw, gflax or acrobat.</source>
        <translation>ghostscript (par défaut), bw, gflax ou acrobat.</translation>
    </message>
    <message>
        <source>Convert the first page only (ghostscript and bw).</source>
        <translation>Ne convertir que la première page (ghostscript et bw).</translation>
    </message>
    <message>
        <source>Memory cap of every renderer, in MB (default %1): a PDF that needs more fails alone.</source>
        <translation>Limite de mémoire de chaque moteur de rendu, en Mo (%1 par défaut)&#xa0;: un PDF qui demande plus échoue seul.</translation>
    </message>
    <message>
        <source>--output DIR is required.</source>
        <translation>--output DIR est obligatoire.</translation>
    </message>
    <message>
        <source>unknown method &apos;%1&apos;: use ghostscript, bw, gflax or acrobat.</source>
        <translation>méthode inconnue «&#xa0;%1&#xa0;»&#xa0;: utilisez ghostscript, bw, gflax ou acrobat.</translation>
    </message>
    <message>
        <source>the acrobat method always converts every page; --first-page-only cannot be combined with it.</source>
        <translation>la méthode acrobat convertit toujours toutes les pages&#x202f;; --first-page-only ne peut pas lui être associé.</translation>
    </message>
    <message>
        <source>no FILE given.</source>
        <translation>aucun FILE indiqué.</translation>
    </message>
    <message>
        <source>%1: no such folder</source>
        <translation>%1&#xa0;: dossier introuvable</translation>
    </message>
    <message>
        <source>cannot be read: </source>
        <translation>ne peut pas être lu&#xa0;: </translation>
    </message>
    <message>
        <source>holds no password (its first line is empty)</source>
        <translation>ne contient aucun mot de passe (sa première ligne est vide)</translation>
    </message>
    <message>
        <source>is not a regular file (a pipe or a device cannot hold the password)</source>
        <translation>n’est pas un fichier ordinaire (un tube ou un périphérique ne peut pas contenir le mot de passe)</translation>
    </message>
    <message>
        <source>the name is not valid UTF-8, so the file cannot be opened</source>
        <translation>le nom n’est pas en UTF-8 valide, le fichier ne peut donc pas être ouvert</translation>
    </message>
    <message>
        <source>a line of the list is longer than %1 bytes, so it names no file</source>
        <translation>une ligne de la liste dépasse %1 octets, elle ne désigne donc aucun fichier</translation>
    </message>
    <message>
        <source>Convert only these pages, every method: N, N-M or N- separated by commas (1-3,7,10-); a GIF keeps its page&apos;s number.</source>
        <translation>Ne convertir que ces pages, quelle que soit la méthode&#xa0;: N, N-M ou N- séparés par des virgules (1-3,7,10-)&#x202f;; un GIF garde le numéro de sa page.</translation>
    </message>
    <message>
        <source>Resolution in dpi, every method (default 144; at most %1).</source>
        <translation>Résolution en ppp, quelle que soit la méthode (144 par défaut&#x202f;; au plus %1).</translation>
    </message>
    <message>
        <source>Draw each page at the resolution that makes it fit WxH pixels (W: that width, xH: that height), keeping its shape; not with --resolution.</source>
        <translation>Dessiner chaque page à la résolution qui la fait tenir dans WxH pixels (W&#xa0;: cette largeur, xH&#xa0;: cette hauteur), en gardant ses proportions&#x202f;; incompatible avec --resolution.</translation>
    </message>
    <message>
        <source>The first line of FILE is the password (user or owner) of locked PDFs, every method.</source>
        <translation>La première ligne de FILE est le mot de passe (utilisateur ou propriétaire) des PDF protégés, quelle que soit la méthode.</translation>
    </message>
    <message>
        <source>Number of pages for the gflax method (default 1; at most %1).</source>
        <translation>Nombre de pages pour la méthode gflax (1 par défaut&#x202f;; au plus %1).</translation>
    </message>
    <message>
        <source>Time cap per page, in seconds (default %1): a page that takes longer fails alone.</source>
        <translation>Limite de temps par page, en secondes (%1 par défaut)&#xa0;: une page qui prend plus de temps échoue seule.</translation>
    </message>
    <message>
        <source>not a page range: give pages N, N-M or N- (from 1) separated by commas, as in 1-3,7,10-</source>
        <translation>plage de pages non valide&#xa0;: indiquez des pages N, N-M ou N- (à partir de 1) séparées par des virgules, par exemple 1-3,7,10-</translation>
    </message>
    <message>
        <source>not a resolution: give dots per inch, a number above 0 and at most %1</source>
        <translation>résolution non valide&#xa0;: indiquez des points par pouce, un nombre supérieur à 0 et au plus %1</translation>
    </message>
    <message>
        <source>not a size: give WxH, W or xH in pixels, each from 1 to %1</source>
        <translation>taille non valide&#xa0;: indiquez WxH, W ou xH en pixels, chacun de 1 à %1</translation>
    </message>
    <message>
        <source>not a number of pages: give a whole number from 1 to %1</source>
        <translation>nombre de pages non valide&#xa0;: indiquez un nombre entier de 1 à %1</translation>
    </message>
    <message>
        <source>not a memory cap: give a whole number of megabytes, at least %1</source>
        <translation>limite de mémoire non valide&#xa0;: indiquez un nombre entier de mégaoctets, au moins %1</translation>
    </message>
    <message>
        <source>not a time cap: give a whole number of seconds from 1 to %1</source>
        <translation>limite de temps non valide&#xa0;: indiquez un nombre entier de secondes, de 1 à %1</translation>
    </message>
    <message>
        <source>--page-range and --first-page-only both choose pages: give one of them.</source>
        <translation>--page-range et --first-page-only choisissent tous deux des pages&#xa0;: n’en indiquez qu’une.</translation>
    </message>
    <message>
        <source>--page-range and --pages both choose pages: give one of them (--page-range 1-N converts the first N pages with every method).</source>
        <translation>--page-range et --pages choisissent tous deux des pages&#xa0;: n’en indiquez qu’une (--page-range 1-N convertit les N premières pages, quelle que soit la méthode).</translation>
    </message>
    <message>
        <source>--fit and --resolution both set the size: give one of them.</source>
        <translation>--fit et --resolution fixent tous deux la taille&#xa0;: n’en indiquez qu’une.</translation>
    </message>
    <message>
        <source>%1 to %2</source>
        <translation>%1 à %2</translation>
    </message>
    <message>
        <source>%1: a file, not a folder</source>
        <translation>%1&#xa0;: un fichier, pas un dossier</translation>
    </message>
    <message>
        <source>too low a resolution: give at least %1 dots per inch, at most %2</source>
        <translation>résolution trop basse&#xa0;: indiquez au moins %1 et au plus %2 points par pouce</translation>
    </message>
    <message>
        <source>Write a record of the run to FILE, one JSON object a line: each page written or failed, each file that failed.</source>
        <translation>Écrire le relevé de l’exécution dans FILE, un objet JSON par ligne&#xa0;: chaque page écrite ou en échec, chaque fichier en échec.</translation>
    </message>
    <message>
        <source>Leave out the files whose GIFs the --report FILE of an earlier run into the same folder lists as written and that are still whole; FILE is then written anew.</source>
        <translation>Laisser de côté les fichiers dont le --report FILE d’une exécution antérieure dans le même dossier indique les GIF comme écrits et qui sont encore intacts&#xa0;; FILE est ensuite réécrit.</translation>
    </message>
    <message>
        <source>--resume needs --report FILE, the record of the earlier run.</source>
        <translation>--resume demande --report FILE, le relevé de l’exécution antérieure.</translation>
    </message>
    <message>
        <source>a folder, not a file</source>
        <translation>un dossier, pas un fichier</translation>
    </message>
    <message>
        <source>its folder does not exist</source>
        <translation>son dossier n’existe pas</translation>
    </message>
    <message>
        <source>line %1 is not a line of a report of this program</source>
        <translation>la ligne %1 n’est pas une ligne d’un relevé de ce programme</translation>
    </message>
    <message>
        <source>Skipped, converted by the earlier run: %1</source>
        <translation>Ignoré, déjà converti lors de l’exécution antérieure&#xa0;: %1</translation>
    </message>
    <message>
        <source>%1: the report could not be written: %2</source>
        <translation>%1&#xa0;: le relevé n’a pas pu être écrit&#xa0;: %2</translation>
    </message>
    <message>
        <source>the run was interrupted before this file was done</source>
        <translation>l’exécution a été interrompue avant que ce fichier soit terminé</translation>
    </message>
    <message>
        <source>this system cannot write that format (is qt6-image-formats-plugins installed?)</source>
        <translation>ce système ne sait pas écrire ce format (qt6-image-formats-plugins est-il installé&#xa0;?)</translation>
    </message>
    <message>
        <source>--gray cannot be combined with the bw method: its pages are already black and white.</source>
        <translation>--gray ne peut pas être combiné avec la méthode bw&#xa0;: ses pages sont déjà en noir et blanc.</translation>
    </message>
    <message>
        <source>Write the pages in 8-bit grey, every method but bw.</source>
        <translation>Écrire les pages en niveaux de gris sur 8 bits, avec toute méthode sauf bw.</translation>
    </message>
    <message>
        <source>not a time: give the seconds a page is shown, from 0.01 to %1</source>
        <translation>pas une durée&#xa0;: indiquez les secondes pendant lesquelles une page est montrée, de 0.01 à %1</translation>
    </message>
    <message>
        <source>--animate writes GIF files only; it cannot be combined with --format %1.</source>
        <translation>--animate n’écrit que des fichiers GIF&#xa0;; il ne peut pas être combiné avec --format %1.</translation>
    </message>
    <message>
        <source>--animate names each GIF after its PDF; it cannot be combined with --name.</source>
        <translation>--animate nomme chaque GIF d’après son PDF&#xa0;; il ne peut pas être combiné avec --name.</translation>
    </message>
    <message>
        <source>Name the pages&apos; files by PATTERN (without the extension): {name} the PDF&apos;s name up to its first full stop, {page} the page number ({page:03} with zeros to 3 digits), {n} the file&apos;s place in the list; {page} is required.</source>
        <translation>Nommer les fichiers des pages selon PATTERN (sans l’extension)&#xa0;: {name} le nom du PDF jusqu’à son premier point, {page} le numéro de page ({page:03} complété de zéros sur 3 chiffres), {n} la place du fichier dans la liste&#xa0;; {page} est obligatoire.</translation>
    </message>
    <message>
        <source>an empty name</source>
        <translation>un nom vide</translation>
    </message>
    <message>
        <source>no {page} in it, so the pages of a file would get one name</source>
        <translation>il n’y a pas de {page}, les pages d’un fichier auraient donc toutes le même nom</translation>
    </message>
    <message>
        <source>a name cannot hold / or ..</source>
        <translation>un nom ne peut contenir ni / ni ..</translation>
    </message>
    <message>
        <source>%1 is not a field: use {name}, {page}, {page:03} or {n}</source>
        <translation>%1 n’est pas un champ&#xa0;: utilisez {name}, {page}, {page:03} ou {n}</translation>
    </message>
    <message>
        <source>a { without its } or a } without its {</source>
        <translation>une { sans sa } ou une } sans sa {</translation>
    </message>
    <message>
        <source>a name starting with . would make hidden files</source>
        <translation>un nom commençant par . donnerait des fichiers cachés</translation>
    </message>
    <message>
        <source>a name cannot start or end with a blank</source>
        <translation>un nom ne peut ni commencer ni finir par une espace</translation>
    </message>
    <message>
        <source>a name cannot hold *, ? or [, which a shell takes for a pattern</source>
        <translation>un nom ne peut contenir ni *, ni ?, ni [, qu’un shell prend pour un motif</translation>
    </message>
    <message>
        <source>standard input could not be kept as a file: %1</source>
        <translation>l&apos;entrée standard n&apos;a pas pu être conservée dans un fichier&#xa0;: %1</translation>
    </message>
    <message>
        <source>%1 of %2 files and %3 of %4 %5 files failed.</source>
        <translation>Échecs&#xa0;: %1 fichiers sur %2 et %3 fichiers %5 sur %4.</translation>
    </message>
    <message>
        <source>PDF files to convert; a folder for the PDF files in it and below it, - for one PDF on standard input.</source>
        <translation>Fichiers PDF à convertir&#xa0;; un dossier pour les fichiers PDF qu&apos;il contient, sous-dossiers compris, - pour un PDF sur l&apos;entrée standard.</translation>
    </message>
    <message>
        <source>not a format: give gif, png, tiff, jpeg or webp</source>
        <translation>pas un format&#xa0;: indiquez gif, png, tiff, jpeg ou webp</translation>
    </message>
    <message>
        <source>not a quality: give a whole number from 1 to 100</source>
        <translation>pas une qualité&#xa0;: indiquez un nombre entier de 1 à 100</translation>
    </message>
    <message>
        <source>--animate takes its seconds after an =, as in --animate=%1; there is no file &apos;%1&apos;.</source>
        <translation>--animate prend ses secondes après un =, comme dans --animate=%1&#xa0;; il n&apos;y a pas de fichier &apos;%1&apos;.</translation>
    </message>
    <message>
        <source>standard input can be read once: give - either as a FILE or as --files-from -, and once.</source>
        <translation>l&apos;entrée standard ne se lit qu&apos;une fois&#xa0;: indiquez - soit comme FILE, soit comme --files-from -, et une seule fois.</translation>
    </message>
    <message>
        <source>a folder with no PDF file in it or below it</source>
        <translation>un dossier sans fichier PDF, ni dedans ni dessous</translation>
    </message>
    <message>
        <source>File format of the pages: gif (default), png, tiff, jpeg or webp; png and tiff keep every pixel of the page image.</source>
        <translation>Format de fichier des pages&#xa0;: gif (par défaut), png, tiff, jpeg ou webp&#xa0;; png et tiff gardent chaque pixel de l’image de la page.</translation>
    </message>
    <message>
        <source>Write one looping animated GIF per PDF (report.gif), each page shown a second; --animate=SECONDS (with the =) shows each page SECONDS (decimals allowed).</source>
        <translation>Écrire un GIF animé en boucle par PDF (report.gif), chaque page montrée une seconde&#xa0;; --animate=SECONDS (avec le =) montre chaque page SECONDS secondes (décimales permises).</translation>
    </message>
    <message>
        <source>%1: the folder cannot be written: %2</source>
        <translation>%1 : impossible d’écrire dans le dossier : %2</translation>
    </message>
    <message>
        <source>is one of the files to convert</source>
        <translation>est l’un des fichiers à convertir</translation>
    </message>
    <message>
        <source>its folder cannot be written: </source>
        <translation>impossible d’écrire dans son dossier : </translation>
    </message>
    <message>
        <source>another run is writing this record; one record has one run at a time</source>
        <translation>une autre exécution écrit ce journal ; un journal n’a qu’une exécution à la fois</translation>
    </message>
    <message>
        <source>cannot be locked: </source>
        <translation>ne peut pas être verrouillé : </translation>
    </message>
    <message>
        <source>line %1 is longer than %2 KiB, so it is not a line of a report of this program</source>
        <translation>la ligne %1 dépasse %2 Kio : ce n’est donc pas une ligne d’un journal de ce programme</translation>
    </message>
    <message>
        <source>cannot be written: </source>
        <translation>ne peut pas être écrit : </translation>
    </message>
    <message>
        <source>--quality sets the quality of gif, jpeg and webp pages; %1 pages have none.</source>
        <translation>--quality règle la qualité des pages gif, jpeg et webp&#xa0;; les pages %1 n&apos;en ont pas.</translation>
    </message>
    <message>
        <source>Quality of gif, jpeg and webp pages, from 1 (smallest files) to 100 (default %1 for gif, %2 for jpeg and webp).</source>
        <translation>Qualité des pages gif, jpeg et webp, de 1 (fichiers les plus petits) à 100 (par défaut %1 pour gif, %2 pour jpeg et webp).</translation>
    </message>
    <message>
        <source>--recursive goes with --watch DIR.</source>
        <translation>--recursive s’emploie avec --watch DIR.</translation>
    </message>
    <message>
        <source>--watch needs --report FILE: the record keeps each PDF from being converted twice.</source>
        <translation>--watch nécessite --report FILE&#xa0;: le relevé évite qu’un PDF soit converti deux fois.</translation>
    </message>
    <message>
        <source>no such folder</source>
        <translation>dossier introuvable</translation>
    </message>
    <message>
        <source>--watch DIR converts what appears in DIR; give no FILE and no --files-from with it.</source>
        <translation>--watch DIR convertit ce qui apparaît dans DIR&#xa0;; ne donnez avec lui ni FILE ni --files-from.</translation>
    </message>
    <message>
        <source>Watch DIR until ended by a signal: convert every PDF that appears in it once it has stopped growing, and again when it is replaced; needs --report FILE, which keeps each version converted once, across restarts too.</source>
        <translation>Surveiller DIR jusqu’à ce qu’un signal arrête le programme&#xa0;: convertir chaque PDF qui y apparaît dès qu’il ne grandit plus, et de nouveau quand il est remplacé&#xa0;; nécessite --report FILE, qui fait convertir chaque version une seule fois, même après un redémarrage.</translation>
    </message>
    <message>
        <source>With --watch, also the folders below DIR.</source>
        <translation>Avec --watch, aussi les dossiers sous DIR.</translation>
    </message>
    <message>
        <source>%1: the output folder is gone</source>
        <translation>%1&#xa0;: le dossier de sortie a disparu</translation>
    </message>
    <message>
        <source>%1: the folder cannot be read any more: %2</source>
        <translation>%1&#xa0;: le dossier ne peut plus être lu&#xa0;: %2</translation>
    </message>
    <message>
        <source>%1: a page of the earlier version could not be removed: %2</source>
        <translation>%1&#xa0;: une page de la version antérieure n’a pas pu être supprimée&#xa0;: %2</translation>
    </message>
</context>
<context>
    <name>ConversionRun</name>
    <message>
        <source>%1 to %2 (%3 GIF files)</source>
        <translation>%1 à %2 (%3 fichiers GIF)</translation>
    </message>
    <message>
        <source>... and %1 more.</source>
        <translation>… et %1 de plus.</translation>
    </message>
    <message>
        <source>%1 file(s) had the name of a file converted before them in this run. So that no GIF file of this run was replaced, their GIF files have other names:
</source>
        <translation>%1 fichier(s) portaient le nom d’un fichier converti avant eux lors de cette conversion. Pour qu’aucun fichier GIF de cette conversion ne soit remplacé, leurs fichiers GIF ont d’autres noms&#xa0;:
</translation>
    </message>
    <message>
        <source>Invalid picture: %1 (%2)</source>
        <translation>Image non valide&#xa0;: %1 (%2)</translation>
    </message>
    <message>
        <source>No files added.</source>
        <translation>Aucun fichier ajouté.</translation>
    </message>
    <message>
        <source>Folder does not exist. Please select another folder.</source>
        <translation>Le dossier n’existe pas. Veuillez choisir un autre dossier.</translation>
    </message>
    <message>
        <source>GDI+ Initialization Failed.</source>
        <translation>Échec de l’initialisation de GDI+.</translation>
    </message>
    <message>
        <source>Processing: </source>
        <translation>Traitement&#xa0;: </translation>
    </message>
    <message>
        <source>no scratch folder could be made in </source>
        <translation>aucun dossier de travail n’a pu être créé dans </translation>
    </message>
    <message>
        <source>Could not create GIF on </source>
        <translation>Impossible de créer le GIF de </translation>
    </message>
    <message>
        <source>Could not create GIF</source>
        <translation>Impossible de créer le GIF</translation>
    </message>
    <message>
        <source>no page image was produced</source>
        <translation>aucune image de page n’a été produite</translation>
    </message>
    <message>
        <source>no page image was found</source>
        <translation>aucune image de page n’a été trouvée</translation>
    </message>
    <message>
        <source>no GIF could be written</source>
        <translation>aucun GIF n’a pu être écrit</translation>
    </message>
    <message>
        <source>Progress Bar</source>
        <translation>Barre de progression</translation>
    </message>
    <message>
        <source>%1 GIF file(s) could not be written:
</source>
        <translation>%1 fichier(s) GIF n’ont pas pu être écrits&#xa0;:
</translation>
    </message>
    <message>
        <source>Done.</source>
        <translation>Terminé.</translation>
    </message>
    <message>
        <source>no picture</source>
        <translation>pas d’image</translation>
    </message>
    <message>
        <source>not written, as a page of the document failed</source>
        <translation>non écrit, car une page du document a échoué</translation>
    </message>
</context>
<context>
    <name>Engine</name>
    <message>
        <source>No document is open: there is no script object to get</source>
        <translation>Aucun document n’est ouvert&#xa0;: il n’y a pas d’objet script à obtenir</translation>
    </message>
    <message>
        <source>Cannot save %1 as &quot;%2&quot;: the only conversion available is &quot;%3&quot;</source>
        <translation>Impossible d’enregistrer %1 au format «&#xa0;%2&#xa0;»&#xa0;: la seule conversion disponible est «&#xa0;%3&#xa0;»</translation>
    </message>
    <message>
        <source>Cannot save %1: the document has been closed</source>
        <translation>Impossible d’enregistrer %1&#xa0;: le document a été fermé</translation>
    </message>
    <message>
        <source>Cannot save %1: the folder %2 does not exist</source>
        <translation>Impossible d’enregistrer %1&#xa0;: le dossier %2 n’existe pas</translation>
    </message>
    <message>
        <source>%1 of the %2 page(s) of %3 could not be saved (page %4): %5</source>
        <translation>%1 des %2 page(s) de %3 n’ont pas pu être enregistrées (page %4)&#xa0;: %5</translation>
    </message>
    <message>
        <source>%1 has no pages to save</source>
        <translation>%1 n’a aucune page à enregistrer</translation>
    </message>
    <message>
        <source>Page %1 does not exist: pages are numbered from 1</source>
        <translation>La page %1 n’existe pas&#xa0;: les pages sont numérotées à partir de 1</translation>
    </message>
    <message>
        <source>Cannot load page %1: %2</source>
        <translation>Impossible de charger la page %1&#xa0;: %2</translation>
    </message>
    <message>
        <source>Page %1 is past the end of %2, which has %3 page(s)</source>
        <translation>La page %1 est au-delà de la fin de %2, qui compte %3 page(s)</translation>
    </message>
    <message>
        <source>The resolution %1 cannot be used: it must be a number of dots per inch above 0</source>
        <translation>La résolution %1 ne peut pas être utilisée&#xa0;: elle doit être un nombre de points par pouce supérieur à 0</translation>
    </message>
    <message>
        <source>No page is loaded: nothing was written to %1</source>
        <translation>Aucune page n’est chargée&#xa0;: rien n’a été écrit dans %1</translation>
    </message>
    <message>
        <source>Save format %1 is not supported: only %2 (JPEG) is</source>
        <translation>Le format d’enregistrement %1 n’est pas pris en charge&#xa0;: seul %2 (JPEG) l’est</translation>
    </message>
    <message>
        <source>picture too large for GIF (%1 x %2; at most %3 a side)</source>
        <translation>image trop grande pour le GIF (%1 × %2&#x202f;; au plus %3 par côté)</translation>
    </message>
    <message>
        <source>no picture</source>
        <translation>pas d’image</translation>
    </message>
    <message>
        <source>out of memory</source>
        <translation>mémoire insuffisante</translation>
    </message>
    <message>
        <source>cannot write the GIF: %1</source>
        <translation>impossible d’écrire le GIF&#xa0;: %1</translation>
    </message>
    <message>
        <source>out of memory (%1 x %2)</source>
        <translation>mémoire insuffisante (%1 × %2)</translation>
    </message>
    <message>
        <source>the imaging service is not started</source>
        <translation>le service d’images n’est pas démarré</translation>
    </message>
    <message>
        <source>no encoder for %1</source>
        <translation>aucun encodeur pour %1</translation>
    </message>
    <message>
        <source>the encoder failed</source>
        <translation>l’encodeur a échoué</translation>
    </message>
    <message>
        <source>The number of pages &quot;%1&quot; is too large: at most %2 pages can be converted from one file.</source>
        <translation>Le nombre de pages «&#xa0;%1&#xa0;» est trop grand&#xa0;: on peut convertir au plus %2 pages d’un fichier.</translation>
    </message>
    <message>
        <source>the number of pages &quot;%1&quot; renders no page</source>
        <translation>le nombre de pages «&#xa0;%1&#xa0;» ne donne aucune page</translation>
    </message>
    <message>
        <source>%1 x %2 pixels is larger than a page image may be</source>
        <translation>%1 × %2 pixels, c’est plus grand que ce qu’une image de page peut être</translation>
    </message>
    <message>
        <source>the file is truncated: it has no end-of-image marker</source>
        <translation>le fichier est tronqué&#xa0;: il n’a pas de marqueur de fin d’image</translation>
    </message>
    <message>
        <source>The page renderer %1 is missing: the program is not installed completely</source>
        <translation>Le moteur de rendu des pages %1 est absent&#xa0;: le programme n’est pas installé complètement</translation>
    </message>
    <message>
        <source>The page renderer %1 could not be started: %2</source>
        <translation>Le moteur de rendu des pages %1 n’a pas pu être lancé&#xa0;: %2</translation>
    </message>
    <message>
        <source>%1 could not be opened: the page renderer answered &quot;%2&quot;</source>
        <translation>%1 n’a pas pu être ouvert&#xa0;: le moteur de rendu a répondu «&#xa0;%2&#xa0;»</translation>
    </message>
    <message>
        <source>page %1 of %2</source>
        <translation>à la page %1 de %2</translation>
    </message>
    <message>
        <source>opening %1</source>
        <translation>à l’ouverture de %1</translation>
    </message>
    <message>
        <source>The page renderer reached %1 on %2; the page was not converted</source>
        <translation>Le moteur de rendu a atteint %1 %2&#x202f;; la page n’a pas été convertie</translation>
    </message>
    <message>
        <source>The page renderer %1 on %2; the page was not converted</source>
        <translation>Le moteur de rendu %1 %2&#x202f;; la page n’a pas été convertie</translation>
    </message>
    <message>
        <source>crashed</source>
        <translation>a planté</translation>
    </message>
    <message>
        <source>ended with status %1</source>
        <translation>s’est terminé avec le code %1</translation>
    </message>
    <message>
        <source>%1 was reached on %2; the page was not converted</source>
        <translation>%1 a été atteinte %2&#x202f;; la page n’a pas été convertie</translation>
    </message>
    <message>
        <source>%1 was reached on page %2 of %3; the page was not converted</source>
        <translation type="vanished">%1 a été atteinte à la page %2 de %3&#x202f;; la page n’a pas été convertie</translation>
    </message>
    <message>
        <source>The page renderer reached %1 on page %2 of %3; the page was not converted</source>
        <translation>Le moteur de rendu a atteint %1 à la page %2 de %3&#x202f;; la page n’a pas été convertie</translation>
    </message>
    <message>
        <source>Page %1 of %2 could not be rendered: the page renderer answered &quot;%3&quot;</source>
        <translation>La page %1 de %2 n’a pas pu être dessinée&#xa0;: le moteur de rendu a répondu «&#xa0;%3&#xa0;»</translation>
    </message>
    <message>
        <source>%1 cannot be written: %2</source>
        <translation>%1 ne peut pas être écrit&#xa0;: %2</translation>
    </message>
    <message>
        <source>the memory cap of %1 MB</source>
        <translation>la limite de mémoire de %1 Mo</translation>
    </message>
    <message>
        <source>the time cap of %1 seconds per page</source>
        <translation>la limite de temps de %1 secondes par page</translation>
    </message>
    <message>
        <source>%1 cannot be moved to %2: %3</source>
        <translation>%1 ne peut pas être déplacé vers %2&#xa0;: %3</translation>
    </message>
    <message>
        <source>%1 was not copied to %2</source>
        <translation>%1 n’a pas été copié dans %2</translation>
    </message>
    <message>
        <source>%1 was reached on page %2 of %3; the renderer was stopped</source>
        <translation>%1 a été atteinte à la page %2 de %3&#x202f;; le moteur de rendu a été arrêté</translation>
    </message>
    <message>
        <source>%1 ended without removing current.pdf</source>
        <translation>%1 s’est terminé sans supprimer current.pdf</translation>
    </message>
    <message>
        <source>the renderer reached %1 on page %2 of %3</source>
        <translation>le moteur de rendu a atteint %1 à la page %2 de %3</translation>
    </message>
    <message>
        <source>the renderer failed (exit status %1)</source>
        <translation>le moteur de rendu a échoué (code de sortie %1)</translation>
    </message>
    <message>
        <source>the renderer gave no page</source>
        <translation>le moteur de rendu n’a produit aucune page</translation>
    </message>
    <message>
        <source>Not every page of %1 could be converted: %2</source>
        <translation>Toutes les pages de %1 n’ont pas pu être converties&#xa0;: %2</translation>
    </message>
    <message>
        <source>Path/File access error: %1 is not empty</source>
        <translation>Erreur d’accès au chemin ou au fichier&#xa0;: %1 n’est pas vide</translation>
    </message>
    <message>
        <source>no page of %1 is in the page range %2: it has %3 page(s)</source>
        <translation>aucune page de %1 n’est dans la plage de pages %2&#xa0;: le fichier compte %3 page(s)</translation>
    </message>
    <message>
        <source>Write failed</source>
        <translation>Erreur d’écriture</translation>
    </message>
    <message>
        <source>an index beyond the colour table</source>
        <translation>un indice hors de la table des couleurs</translation>
    </message>
    <message>
        <source>error %1</source>
        <translation>erreur %1</translation>
    </message>
    <message>
        <source>Page %1 of %2 could not be rendered: the page renderer&apos;s answer was no line</source>
        <translation>La page %1 de %2 n’a pas pu être dessinée&#xa0;: la réponse du moteur de rendu n’était pas une ligne</translation>
    </message>
    <message>
        <source>%1 is password-protected, and the password given does not open it</source>
        <translation>%1 est protégé par un mot de passe et le mot de passe indiqué ne permet pas de l’ouvrir</translation>
    </message>
    <message>
        <source>%1 is password-protected, and no password was given</source>
        <translation>%1 est protégé par un mot de passe et aucun mot de passe n’a été indiqué</translation>
    </message>
    <message>
        <source>the Acrobat object</source>
        <translation>l’objet Acrobat</translation>
    </message>
    <message>
        <source>the GflAx component</source>
        <translation>le composant GflAx</translation>
    </message>
    <message>
        <source>Object variable not set: %1 was not created</source>
        <translation>Variable objet non définie&#xa0;: %1 n’a pas été créé</translation>
    </message>
    <message>
        <source>page(s) %1 could not be rendered</source>
        <translation>la ou les pages %1 n’ont pas pu être dessinées</translation>
    </message>
    <message>
        <source>the script %1 is missing: the program is not installed completely</source>
        <translation>le script %1 est absent&#xa0;: le programme n’est pas installé entièrement</translation>
    </message>
    <message>
        <source>%1 was not found</source>
        <translation>%1 est introuvable</translation>
    </message>
    <message>
        <source>%1 is not a PDF file</source>
        <translation>%1 n’est pas un fichier PDF</translation>
    </message>
    <message>
        <source>%1 is damaged or is not a PDF file that can be read</source>
        <translation>%1 est endommagé ou n’est pas un fichier PDF lisible</translation>
    </message>
    <message>
        <source>%1 was reached</source>
        <translation>%1 a été atteinte</translation>
    </message>
    <message>
        <source>Ghostscript ended while drawing it</source>
        <translation>Ghostscript s’est arrêté en la dessinant</translation>
    </message>
    <message>
        <source>at the resolution asked it would have no pixels. Choose a higher resolution</source>
        <translation>à la résolution demandée, elle n’aurait aucun pixel. Choisissez une résolution plus élevée</translation>
    </message>
    <message>
        <source>Ghostscript failed on its content</source>
        <translation>Ghostscript a échoué sur son contenu</translation>
    </message>
    <message>
        <source>page %1 could not be drawn: %2</source>
        <translation>la page %1 n’a pas pu être dessinée&#xa0;: %2</translation>
    </message>
    <message>
        <source>Ghostscript could not open %1: it is damaged or not a PDF</source>
        <translation>Ghostscript n’a pas pu ouvrir %1&#xa0;: le fichier est endommagé ou n’est pas un PDF</translation>
    </message>
    <message>
        <source>%1 could not be converted: %2 is not installed</source>
        <translation>%1 n’a pas pu être converti&#xa0;: %2 n’est pas installé</translation>
    </message>
    <message>
        <source>%1 could not be started: %2</source>
        <translation>%1 n’a pas pu être lancé&#xa0;: %2</translation>
    </message>
    <message>
        <source>the page image of %1 x %2 pixels needs more than the memory cap of %3 MB</source>
        <translation>l’image de page de %1 x %2 pixels demande plus que la limite de mémoire de %3 Mo</translation>
    </message>
    <message>
        <source>%1 could not be converted: its page script said something that is not an event</source>
        <translation>%1 n&apos;a pas pu être converti : son script de pages a dit quelque chose qui n&apos;est pas un événement</translation>
    </message>
    <message>
        <source>%1 could not be converted: its page script gave page %2, which was not to be drawn</source>
        <translation>%1 n&apos;a pas pu être converti : son script de pages a donné la page %2, qui ne devait pas être dessinée</translation>
    </message>
    <message>
        <source>%1 could not be converted: its page script named a file outside its own folder</source>
        <translation>%1 n&apos;a pas pu être converti : son script de pages a nommé un fichier hors de son propre dossier</translation>
    </message>
    <message>
        <source>%1 changed while it was converted</source>
        <translation>%1 a été modifié pendant sa conversion</translation>
    </message>
    <message>
        <source>the document&apos;s page tree does not lead to it (the file is damaged)</source>
        <translation>l’arborescence des pages du document n’y mène pas (le fichier est endommagé)</translation>
    </message>
    <message>
        <source>the scratch folder %1 is full: there is no room for the page images</source>
        <translation>le dossier de travail %1 est plein&#xa0;: il n’y a plus de place pour les images des pages</translation>
    </message>
    <message>
        <source>Page %1 of %2 could not be drawn: the document&apos;s page tree does not lead to it (the file is damaged)</source>
        <translation>La page %1 de %2 n’a pas pu être dessinée&#xa0;: l’arborescence des pages du document n’y mène pas (le fichier est endommagé)</translation>
    </message>
    <message>
        <source>at the size asked it would be more than %1 pixels a side or %2 million pixels in all. Choose a lower resolution or a smaller box</source>
        <translation>à la taille demandée, elle dépasserait %1 pixels de côté ou %2 millions de pixels en tout. Choisissez une résolution plus basse ou un cadre plus petit</translation>
    </message>
    <message>
        <source>it would fit the box asked only below the lowest resolution, %1 dpi. Choose a larger box</source>
        <translation>elle n’entrerait dans le cadre demandé qu’en dessous de la plus basse résolution, %1 dpi. Choisissez un cadre plus grand</translation>
    </message>
    <message>
        <source>Page %1 of %2 could not be drawn: %3</source>
        <translation>La page %1 de %2 n’a pas pu être dessinée&#xa0;: %3</translation>
    </message>
    <message>
        <source>at the size asked it would be more than %1 pixels a side or %2 million pixels in all (%3 x %4). Choose a lower resolution or a smaller box</source>
        <translation>à la taille demandée, elle dépasserait %1 pixels de côté ou %2 millions de pixels en tout (%3 x %4). Choisissez une résolution plus basse ou un cadre plus petit</translation>
    </message>
    <message>
        <source>the page renderer could not draw its content</source>
        <translation>le moteur de rendu des pages n’a pas pu dessiner son contenu</translation>
    </message>
</context>
<context>
    <name>ErrorBox</name>
    <message>
        <source>Application Error</source>
        <translation>Erreur de l’application</translation>
    </message>
    <message>
        <source>at line </source>
        <translation>à la ligne </translation>
    </message>
    <message>
        <source>Please email screenshot of this message to </source>
        <translation>Veuillez envoyer une capture d’écran de ce message par courriel à </translation>
    </message>
    <message>
        <source>Unexpected error</source>
        <translation>Erreur inattendue</translation>
    </message>
</context>
<context>
    <name>Files</name>
    <message>
        <source>Index out of bounds</source>
        <translation>Indice hors limites</translation>
    </message>
    <message>
        <source>The desktop folder cannot be found</source>
        <translation>Le dossier du bureau est introuvable</translation>
    </message>
    <message>
        <source>Invalid procedure call or argument</source>
        <translation>Appel de procédure ou argument non valide</translation>
    </message>
    <message>
        <source>Permission denied: %1 is not a folder that can be deleted</source>
        <translation>Permission refusée&#xa0;: %1 n’est pas un dossier qui peut être supprimé</translation>
    </message>
    <message>
        <source>Permission denied: %1 is a link or a file, not a folder of its own; it was left alone</source>
        <translation>Permission refusée&#xa0;: %1 est un lien ou un fichier, pas un dossier à part entière&#x202f;; il n’a pas été touché</translation>
    </message>
    <message>
        <source>Permission denied: %1 could not be deleted completely</source>
        <translation>Permission refusée&#xa0;: %1 n’a pas pu être entièrement supprimé</translation>
    </message>
    <message>
        <source>File not found: %1</source>
        <translation>Fichier introuvable&#xa0;: %1</translation>
    </message>
    <message>
        <source>Permission denied: %1</source>
        <translation>Permission refusée&#xa0;: %1</translation>
    </message>
    <message>
        <source>Cannot copy %1 to %2: %3</source>
        <translation>Impossible de copier %1 vers %2&#xa0;: %3</translation>
    </message>
    <message>
        <source>Path not found: %1</source>
        <translation>Chemin introuvable&#xa0;: %1</translation>
    </message>
    <message>
        <source>Cannot create folder %1</source>
        <translation>Impossible de créer le dossier %1</translation>
    </message>
    <message>
        <source>Path not found: %1 cannot be created (%2)</source>
        <translation>Chemin introuvable&#xa0;: %1 ne peut pas être créé (%2)</translation>
    </message>
    <message>
        <source>Out of memory</source>
        <translation>Mémoire insuffisante</translation>
    </message>
    <message>
        <source>File not found</source>
        <translation>Fichier introuvable</translation>
    </message>
    <message>
        <source>Path not found</source>
        <translation>Chemin introuvable</translation>
    </message>
    <message>
        <source>Path/file access error</source>
        <translation>Erreur d’accès au chemin ou au fichier</translation>
    </message>
    <message>
        <source>The executable file is invalid or corrupt</source>
        <translation>Le fichier exécutable n’est pas valide ou est endommagé</translation>
    </message>
    <message>
        <source>A sharing violation occurred.</source>
        <translation>Une violation de partage s’est produite.</translation>
    </message>
    <message>
        <source>This file type does not have a valid file association.</source>
        <translation>Ce type de fichier n’a pas d’association valide.</translation>
    </message>
    <message>
        <source>The file could not be opened due to time out. Please try again in a moment.</source>
        <translation>Le fichier n’a pas pu être ouvert, le délai a expiré. Veuillez réessayer dans un instant.</translation>
    </message>
    <message>
        <source>The file could not be opened because the DDE transaction failed. Please try again in a moment.</source>
        <translation>Le fichier n’a pas pu être ouvert, car la transaction DDE a échoué. Veuillez réessayer dans un instant.</translation>
    </message>
    <message>
        <source>The file could not be opened because the target application is busy. Please try again in a moment.</source>
        <translation>Le fichier n’a pas pu être ouvert, car l’application cible est occupée. Veuillez réessayer dans un instant.</translation>
    </message>
    <message>
        <source>No application is associated with this file type.</source>
        <translation>Aucune application n’est associée à ce type de fichier.</translation>
    </message>
    <message>
        <source>The specified dynamic-link library was not found.</source>
        <translation>La bibliothèque dynamique indiquée est introuvable.</translation>
    </message>
    <message>
        <source>An error occurred occurred whilst trying to open or print the selected file.</source>
        <translation>Une erreur s’est produite lors de l’ouverture ou de l’impression du fichier sélectionné.</translation>
    </message>
    <message>
        <source>%1 did not finish within %2 seconds and was stopped</source>
        <translation>%1 ne s’est pas terminé en %2 secondes et a été arrêté</translation>
    </message>
    <message>
        <source>%1 made no progress for %2 seconds and was stopped</source>
        <translation>%1 n’a pas progressé pendant %2 secondes et a été arrêté</translation>
    </message>
    <message>
        <source>the name is not valid UTF-8, so the file cannot be opened</source>
        <translation>le nom n’est pas en UTF-8 valide, le fichier ne peut donc pas être ouvert</translation>
    </message>
    <message>
        <source>it is a folder, not a PDF file</source>
        <translation>c’est un dossier, pas un fichier PDF</translation>
    </message>
    <message>
        <source>it is not a regular file (a pipe, a device or a socket), not a PDF file</source>
        <translation>ce n’est ni un fichier ordinaire ni un fichier PDF (c’est un tube, un périphérique ou un socket)</translation>
    </message>
    <message>
        <source>%1 is missing</source>
        <translation>%1 est absent</translation>
    </message>
    <message>
        <source>%1 could not be started: %2</source>
        <translation>%1 n’a pas pu être lancé&#xa0;: %2</translation>
    </message>
    <message>
        <source>a folder</source>
        <translation>un dossier</translation>
    </message>
    <message>
        <source>a FIFO (named pipe)</source>
        <translation>un FIFO (tube nommé)</translation>
    </message>
    <message>
        <source>a character device</source>
        <translation>un périphérique en mode caractère</translation>
    </message>
    <message>
        <source>a block device</source>
        <translation>un périphérique en mode bloc</translation>
    </message>
    <message>
        <source>a socket</source>
        <translation>un socket</translation>
    </message>
    <message>
        <source>not a regular file</source>
        <translation>pas un fichier ordinaire</translation>
    </message>
    <message>
        <source>%1 is there, not a regular file; it is never replaced</source>
        <translation>%1 s’y trouve, pas un fichier ordinaire ; il n’est jamais remplacé</translation>
    </message>
</context>
<context>
    <name>Form1</name>
    <message>
        <source>Type mismatch</source>
        <translation>Incompatibilité de type</translation>
    </message>
    <message>
        <source>Overflow</source>
        <translation>Dépassement de capacité</translation>
    </message>
    <message>
        <source>PDF File(s)</source>
        <translation>Fichier(s) PDF</translation>
    </message>
    <message>
        <source>Invalid property value</source>
        <translation>Valeur de propriété non valide</translation>
    </message>
    <message>
        <source>GDI+ Initialization Failed.</source>
        <translation>Échec de l’initialisation de GDI+.</translation>
    </message>
    <message>
        <source>Your settings could not be saved in </source>
        <translation>Vos réglages n’ont pas pu être enregistrés dans </translation>
    </message>
    <message>
        <source>. They will be lost when the program ends.</source>
        <translation>. Ils seront perdus à la fermeture du programme.</translation>
    </message>
    <message>
        <source>Please select folder:</source>
        <translation>Veuillez choisir un dossier&#xa0;:</translation>
    </message>
    <message>
        <source>Questions? Please contact Team Quillfern at </source>
        <translation>Des questions&#x202f;? Contactez l’équipe Quillfern à l’adresse </translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Aide</translation>
    </message>
    <message>
        <source>Add PDF File(s)</source>
        <translation>Ajouter des fichiers PDF</translation>
    </message>
    <message>
        <source>Add All PDF File(s) In Folder</source>
        <translation>Ajouter un dossier entier</translation>
    </message>
    <message>
        <source>Clear List</source>
        <translation>Vider la liste</translation>
    </message>
    <message>
        <source>Load Sample/Example Files</source>
        <translation>Charger les exemples</translation>
    </message>
    <message>
        <source>Conversion Method</source>
        <translation>Méthode de conversion</translation>
    </message>
    <message>
        <source>GflAx Option</source>
        <translation>Options GflAx</translation>
    </message>
    <message>
        <source>Number of Pages:</source>
        <translation>Nombre de pages&#xa0;:</translation>
    </message>
    <message>
        <source>Resolution:</source>
        <translation>Résolution&#xa0;:</translation>
    </message>
    <message>
        <source>First Page Option</source>
        <translation>Première page</translation>
    </message>
    <message>
        <source>Convert First Page Only</source>
        <translation>Ne convertir que la première page</translation>
    </message>
    <message>
        <source>Save Results To This Folder</source>
        <translation>Enregistrer les résultats dans ce dossier</translation>
    </message>
    <message>
        <source>Start Converting</source>
        <translation>Lancer la conversion</translation>
    </message>
    <message>
        <source>Progress Bar</source>
        <translation>Barre de progression</translation>
    </message>
    <message>
        <source>Choose Output Folder</source>
        <translation>Choisir le dossier de sortie</translation>
    </message>
    <message>
        <source>Number of Pages</source>
        <translation>Nombre de pages</translation>
    </message>
    <message>
        <source>Resolution</source>
        <translation>Résolution</translation>
    </message>
    <message>
        <source>Output Folder</source>
        <translation>Dossier de sortie</translation>
    </message>
    <message>
        <source>Dots per inch of the GflAx method&apos;s pages</source>
        <translation>Points par pouce des pages de la méthode GflAx</translation>
    </message>
    <message>
        <source>The files to convert. Delete or a double click removes the selected file.</source>
        <translation>Les fichiers à convertir. Suppr ou un double-clic retire le fichier sélectionné.</translation>
    </message>
    <message>
        <source>Conversion Progress</source>
        <translation>Avancement de la conversion</translation>
    </message>
    <message>
        <source>Used by the GflAx method only</source>
        <translation>Utilisées par la méthode GflAx seulement</translation>
    </message>
    <message>
        <source>Stop Converting</source>
        <translation>Arrêter la conversion</translation>
    </message>
    <message>
        <source>Ends the run; the GIF files written so far are kept. Escape does the same.</source>
        <translation>Termine la conversion ; les fichiers GIF déjà écrits sont conservés. Échap fait de même.</translation>
    </message>
    <message>
        <source>&amp;Stop</source>
        <translation>&amp;Arrêter</translation>
    </message>
    <message>
        <source>Stopped after %1 of %2 files; %3 GIF files were written.</source>
        <translation>Arrêté après %1 fichiers sur %2 ; %3 fichiers GIF ont été écrits.</translation>
    </message>
    <message>
        <source>Open Output Folder</source>
        <translation>Ouvrir le dossier de sortie</translation>
    </message>
    <message>
        <source>Open Output Folder (%1)</source>
        <translation>Ouvrir le dossier de sortie (%1)</translation>
    </message>
    <message>
        <source>The folder %1 could not be opened.</source>
        <translation>Le dossier %1 n’a pas pu être ouvert.</translation>
    </message>
    <message>
        <source>Conversion finished; %1 GIF files were written.</source>
        <translation>Conversion terminée ; %1 fichiers GIF ont été écrits.</translation>
    </message>
</context>
<context>
    <name>Main</name>
    <message>
        <source>Converts every page of PDF files into GIF files. Each FILE is put on the list as a drop of it would: a file as it is, a folder with every file in its tree.</source>
        <translation>Convertit chaque page de fichiers PDF en fichiers GIF. Chaque FILE est mis dans la liste comme s’il y était déposé&#xa0;: un fichier tel quel, un dossier avec tous les fichiers de son arborescence.</translation>
    </message>
    <message>
        <source>PDF files or folders to list.</source>
        <translation>Fichiers PDF ou dossiers à mettre dans la liste.</translation>
    </message>
    <message>
        <source>no display found (neither DISPLAY nor WAYLAND_DISPLAY is set)</source>
        <translation>aucun affichage trouvé (ni DISPLAY ni WAYLAND_DISPLAY n’est défini)</translation>
    </message>
    <message>
        <source>cannot open a window on the display &apos;%1&apos;</source>
        <translation>impossible d’ouvrir une fenêtre sur l’affichage &apos;%1&apos;</translation>
    </message>
    <message>
        <source>start it from a desktop session, or convert without a window with lumenpage-batch.</source>
        <translation>lancez-le depuis une session de bureau, ou convertissez sans fenêtre avec lumenpage-batch.</translation>
    </message>
</context>
<context>
    <name>Methods</name>
    <message>
        <source>Adobe Acrobat Pro Method (You must have Acrobat Pro installed)</source>
        <translation>Méthode Adobe Acrobat Pro (Acrobat Pro doit être installé)</translation>
    </message>
    <message>
        <source>Ghostscript Method</source>
        <translation>Méthode Ghostscript</translation>
    </message>
    <message>
        <source>Black/White Method</source>
        <translation>Méthode noir et blanc</translation>
    </message>
    <message>
        <source>GflAx Method</source>
        <translation>Méthode GflAx</translation>
    </message>
</context>
<context>
    <name>QCommandLineParser</name>
    <message>
        <source>Displays help on commandline options.</source>
        <translation>Afficher l’aide sur les options de la ligne de commande.</translation>
    </message>
    <message>
        <source>Displays help including Qt specific options.</source>
        <translation>Afficher l’aide, options propres à Qt comprises.</translation>
    </message>
</context>
</TS>
