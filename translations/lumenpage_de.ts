<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE" sourcelanguage="en">
<context>
    <name>Adders</name>
    <message>
        <source>Please select folder:</source>
        <translation>Bitte wählen Sie einen Ordner:</translation>
    </message>
    <message>
        <source>You&apos;ve selected too many files to add.</source>
        <translation>Sie haben zu viele Dateien zum Hinzufügen ausgewählt.</translation>
    </message>
    <message>
        <source>Please try adding via the &quot;Add All&quot; button.</source>
        <translation>Bitte fügen Sie sie über die Schaltfläche „Ganzen Ordner hinzufügen“ hinzu.</translation>
    </message>
    <message>
        <source>Add File(s) - Hold Ctrl to select multiple files</source>
        <translation>Datei(en) hinzufügen – mit gedrückter Strg-Taste mehrere Dateien auswählen</translation>
    </message>
    <message>
        <source>PDF Files (*.pdf)</source>
        <translation>PDF-Dateien (*.pdf)</translation>
    </message>
    <message>
        <source>The file name buffer is too small</source>
        <translation>Der Puffer für die Dateinamen ist zu klein</translation>
    </message>
    <message>
        <source>Enter file extension to load:</source>
        <translation>Dateiendung der zu ladenden Dateien:</translation>
    </message>
    <message>
        <source>(* for all files, txt for all txt files, doc for all doc files, etc.)</source>
        <translation>(* für alle Dateien, txt für alle txt-Dateien, doc für alle doc-Dateien usw.)</translation>
    </message>
    <message>
        <source>Would you like this software to open the folder where these sample files are stored (so that you can view them before working with them)?</source>
        <translation>Soll das Programm den Ordner öffnen, in dem diese Beispieldateien liegen (damit Sie sie ansehen können, bevor Sie mit ihnen arbeiten)?</translation>
    </message>
</context>
<context>
    <name>Console</name>
    <message>
        <source>Try &apos;%1 --help&apos;.</source>
        <translation>Weitere Informationen mit „%1 --help“.</translation>
    </message>
    <message>
        <source>Index out of bounds</source>
        <translation>Index außerhalb des gültigen Bereichs</translation>
    </message>
    <message>
        <source>no page could be converted</source>
        <translation>keine Seite konnte umgewandelt werden</translation>
    </message>
    <message>
        <source>%1/%2 pages</source>
        <translation>%1/%2 Seiten</translation>
    </message>
    <message>
        <source>GDI+ Initialization Failed.</source>
        <translation>GDI+ konnte nicht gestartet werden.</translation>
    </message>
    <message>
        <source>: could not be written</source>
        <translation>: konnte nicht geschrieben werden</translation>
    </message>
    <message>
        <source>: its GIF files were given other names, as an earlier file had its name: </source>
        <translation>: seine GIF-Dateien haben andere Namen erhalten, da eine frühere Datei denselben Namen hatte: </translation>
    </message>
    <message>
        <source>Converts every page of every PDF FILE into one GIF file in the output folder.
Each failed file gives one line on standard error: lumenpage-batch: FILE: CAUSE.
Exit status: 0 when every file gave its GIFs, 1 when a file or a GIF failed, 2 for wrong usage,
128 + the signal&apos;s number when interrupted.</source>
        <translation>Wandelt jede Seite jeder PDF-Datei FILE in eine GIF-Datei im Ausgabeordner um.
Jede fehlgeschlagene Datei ergibt eine Zeile auf der Standardfehlerausgabe: lumenpage-batch: FILE: GRUND.
Exit-Status: 0, wenn jede Datei ihre GIFs ergab, 1, wenn eine Datei oder ein GIF fehlschlug, 2 bei falscher Verwendung,
128 + Nummer des Signals bei einer Unterbrechung.</translation>
    </message>
    <message>
        <source>Print nothing but errors.</source>
        <translation>Nur Fehler ausgeben.</translation>
    </message>
    <message>
        <source>Also print the messages the window would show, as it words them.</source>
        <translation>Auch die Meldungen ausgeben, die das Fenster zeigen würde, in seinem Wortlaut.</translation>
    </message>
    <message>
        <source>Also convert the files named in LIST, one a line (- for standard input).</source>
        <translation>Auch die in LIST genannten Dateien umwandeln, eine pro Zeile (- für die Standardeingabe).</translation>
    </message>
    <message>
        <source>Folder the GIF files are written to (must exist).</source>
        <translation>Ordner, in den die GIF-Dateien geschrieben werden (muss vorhanden sein).</translation>
    </message>
    <message>
        <source>ghostscript (default), bw, gflax or acrobat.</source>
        <translation>ghostscript (Vorgabe), bw, gflax oder acrobat.</translation>
    </message>
    <message>
        <source>Convert the first page only (ghostscript and bw).</source>
        <translation>Nur die erste Seite umwandeln (ghostscript und bw).</translation>
    </message>
    <message>
        <source>Memory cap of every renderer, in MB (default %1): a PDF that needs more fails alone.</source>
        <translation>Speichergrenze jedes Renderers in MB (Vorgabe %1): Ein PDF, das mehr braucht, schlägt allein fehl.</translation>
    </message>
    <message>
        <source>--output DIR is required.</source>
        <translation>--output DIR muss angegeben werden.</translation>
    </message>
    <message>
        <source>unknown method &apos;%1&apos;: use ghostscript, bw, gflax or acrobat.</source>
        <translation>unbekanntes Verfahren „%1“: ghostscript, bw, gflax oder acrobat verwenden.</translation>
    </message>
    <message>
        <source>the acrobat method always converts every page; --first-page-only cannot be combined with it.</source>
        <translation>das Verfahren acrobat wandelt immer alle Seiten um; --first-page-only lässt sich damit nicht verbinden.</translation>
    </message>
    <message>
        <source>no FILE given.</source>
        <translation>kein FILE angegeben.</translation>
    </message>
    <message>
        <source>%1: no such folder</source>
        <translation>%1: Ordner nicht vorhanden</translation>
    </message>
    <message>
        <source>cannot be read: </source>
        <translation>kann nicht gelesen werden: </translation>
    </message>
    <message>
        <source>holds no password (its first line is empty)</source>
        <translation>enthält kein Passwort (die erste Zeile ist leer)</translation>
    </message>
    <message>
        <source>is not a regular file (a pipe or a device cannot hold the password)</source>
        <translation>ist keine gewöhnliche Datei (eine Pipe oder ein Gerät kann das Passwort nicht enthalten)</translation>
    </message>
    <message>
        <source>the name is not valid UTF-8, so the file cannot be opened</source>
        <translation>der Name ist kein gültiges UTF-8, daher kann die Datei nicht geöffnet werden</translation>
    </message>
    <message>
        <source>a line of the list is longer than %1 bytes, so it names no file</source>
        <translation>eine Zeile der Liste ist länger als %1 Bytes und nennt daher keine Datei</translation>
    </message>
    <message>
        <source>Convert only these pages, every method: N, N-M or N- separated by commas (1-3,7,10-); a GIF keeps its page&apos;s number.</source>
        <translation>Nur diese Seiten umwandeln, bei allen Verfahren: N, N-M oder N-, durch Kommas getrennt (1-3,7,10-); ein GIF behält die Nummer seiner Seite.</translation>
    </message>
    <message>
        <source>Resolution in dpi, every method (default 144; at most %1).</source>
        <translation>Auflösung in dpi für alle Verfahren (Vorgabe 144; höchstens %1).</translation>
    </message>
    <message>
        <source>Draw each page at the resolution that makes it fit WxH pixels (W: that width, xH: that height), keeping its shape; not with --resolution.</source>
        <translation>Jede Seite in der Auflösung zeichnen, mit der sie in WxH Pixel passt (W: diese Breite, xH: diese Höhe), unter Beibehaltung ihrer Proportionen; nicht zusammen mit --resolution.</translation>
    </message>
    <message>
        <source>The first line of FILE is the password (user or owner) of locked PDFs, every method.</source>
        <translation>Die erste Zeile von FILE ist das Passwort (Benutzer- oder Besitzerpasswort) geschützter PDFs, bei allen Verfahren.</translation>
    </message>
    <message>
        <source>Number of pages for the gflax method (default 1; at most %1).</source>
        <translation>Seitenanzahl für das Verfahren gflax (Vorgabe 1; höchstens %1).</translation>
    </message>
    <message>
        <source>Time cap per page, in seconds (default %1): a page that takes longer fails alone.</source>
        <translation>Zeitgrenze pro Seite in Sekunden (Vorgabe %1): Eine Seite, die länger braucht, schlägt allein fehl.</translation>
    </message>
    <message>
        <source>not a page range: give pages N, N-M or N- (from 1) separated by commas, as in 1-3,7,10-</source>
        <translation>ungültiger Seitenbereich: Seiten als N, N-M oder N- (ab 1) durch Kommas getrennt angeben, etwa 1-3,7,10-</translation>
    </message>
    <message>
        <source>not a resolution: give dots per inch, a number above 0 and at most %1</source>
        <translation>ungültige Auflösung: Punkte pro Zoll angeben, eine Zahl über 0 und höchstens %1</translation>
    </message>
    <message>
        <source>not a size: give WxH, W or xH in pixels, each from 1 to %1</source>
        <translation>ungültige Größe: WxH, W oder xH in Pixeln angeben, jeweils von 1 bis %1</translation>
    </message>
    <message>
        <source>not a number of pages: give a whole number from 1 to %1</source>
        <translation>ungültige Seitenanzahl: eine ganze Zahl von 1 bis %1 angeben</translation>
    </message>
    <message>
        <source>not a memory cap: give a whole number of megabytes, at least %1</source>
        <translation>ungültige Speichergrenze: eine ganze Zahl von Megabytes angeben, mindestens %1</translation>
    </message>
    <message>
        <source>not a time cap: give a whole number of seconds from 1 to %1</source>
        <translation>ungültige Zeitgrenze: eine ganze Zahl von Sekunden angeben, von 1 bis %1</translation>
    </message>
    <message>
        <source>--page-range and --first-page-only both choose pages: give one of them.</source>
        <translation>--page-range und --first-page-only wählen beide Seiten aus: nur eine der beiden angeben.</translation>
    </message>
    <message>
        <source>--page-range and --pages both choose pages: give one of them (--page-range 1-N converts the first N pages with every method).</source>
        <translation>--page-range und --pages wählen beide Seiten aus: nur eine der beiden angeben (--page-range 1-N wandelt bei allen Verfahren die ersten N Seiten um).</translation>
    </message>
    <message>
        <source>--fit and --resolution both set the size: give one of them.</source>
        <translation>--fit und --resolution legen beide die Größe fest: nur eine der beiden angeben.</translation>
    </message>
    <message>
        <source>%1 to %2</source>
        <translation>%1 bis %2</translation>
    </message>
    <message>
        <source>%1: a file, not a folder</source>
        <translation>%1: eine Datei, kein Ordner</translation>
    </message>
    <message>
        <source>too low a resolution: give at least %1 dots per inch, at most %2</source>
        <translation>zu niedrige Auflösung: geben Sie mindestens %1 und höchstens %2 Punkte pro Zoll an</translation>
    </message>
    <message>
        <source>Write a record of the run to FILE, one JSON object a line: each page written or failed, each file that failed.</source>
        <translation>Ein Protokoll des Laufs in FILE schreiben, ein JSON-Objekt je Zeile: jede geschriebene oder fehlgeschlagene Seite, jede fehlgeschlagene Datei.</translation>
    </message>
    <message>
        <source>Leave out the files whose GIFs the --report FILE of an earlier run into the same folder lists as written and that are still whole; FILE is then written anew.</source>
        <translation>Dateien auslassen, deren GIFs das --report FILE eines früheren Laufs in denselben Ordner als geschrieben aufführt und die noch vollständig sind; FILE wird danach neu geschrieben.</translation>
    </message>
    <message>
        <source>--resume needs --report FILE, the record of the earlier run.</source>
        <translation>--resume braucht --report FILE, das Protokoll des früheren Laufs.</translation>
    </message>
    <message>
        <source>a folder, not a file</source>
        <translation>ein Ordner, keine Datei</translation>
    </message>
    <message>
        <source>its folder does not exist</source>
        <translation>sein Ordner existiert nicht</translation>
    </message>
    <message>
        <source>line %1 is not a line of a report of this program</source>
        <translation>Zeile %1 ist keine Zeile eines Protokolls dieses Programms</translation>
    </message>
    <message>
        <source>Skipped, converted by the earlier run: %1</source>
        <translation>Übersprungen, schon im früheren Lauf umgewandelt: %1</translation>
    </message>
    <message>
        <source>%1: the report could not be written: %2</source>
        <translation>%1: das Protokoll konnte nicht geschrieben werden: %2</translation>
    </message>
    <message>
        <source>the run was interrupted before this file was done</source>
        <translation>der Lauf wurde unterbrochen, bevor diese Datei fertig war</translation>
    </message>
    <message>
        <source>this system cannot write that format (is qt6-image-formats-plugins installed?)</source>
        <translation>dieses System kann dieses Format nicht schreiben (ist qt6-image-formats-plugins installiert?)</translation>
    </message>
    <message>
        <source>--gray cannot be combined with the bw method: its pages are already black and white.</source>
        <translation>--gray kann nicht mit dem Verfahren bw verbunden werden: Seine Seiten sind bereits schwarzweiß.</translation>
    </message>
    <message>
        <source>Write the pages in 8-bit grey, every method but bw.</source>
        <translation>Die Seiten in 8-Bit-Graustufen schreiben, jedes Verfahren außer bw.</translation>
    </message>
    <message>
        <source>not a time: give the seconds a page is shown, from 0.01 to %1</source>
        <translation>keine Zeit: die Sekunden angeben, die eine Seite gezeigt wird, von 0.01 bis %1</translation>
    </message>
    <message>
        <source>--animate writes GIF files only; it cannot be combined with --format %1.</source>
        <translation>--animate schreibt nur GIF-Dateien; es kann nicht mit --format %1 verbunden werden.</translation>
    </message>
    <message>
        <source>--animate names each GIF after its PDF; it cannot be combined with --name.</source>
        <translation>--animate benennt jedes GIF nach seiner PDF-Datei; es kann nicht mit --name verbunden werden.</translation>
    </message>
    <message>
        <source>Name the pages&apos; files by PATTERN (without the extension): {name} the PDF&apos;s name up to its first full stop, {page} the page number ({page:03} with zeros to 3 digits), {n} the file&apos;s place in the list; {page} is required.</source>
        <translation>Die Dateien der Seiten nach PATTERN benennen (ohne Endung): {name} der Name der PDF-Datei bis zum ersten Punkt, {page} die Seitennummer ({page:03} mit Nullen auf 3 Stellen), {n} die Stelle der Datei in der Liste; {page} ist Pflicht.</translation>
    </message>
    <message>
        <source>an empty name</source>
        <translation>ein leerer Name</translation>
    </message>
    <message>
        <source>no {page} in it, so the pages of a file would get one name</source>
        <translation>kein {page} darin, so bekämen die Seiten einer Datei einen einzigen Namen</translation>
    </message>
    <message>
        <source>a name cannot hold / or ..</source>
        <translation>ein Name darf weder / noch .. enthalten</translation>
    </message>
    <message>
        <source>%1 is not a field: use {name}, {page}, {page:03} or {n}</source>
        <translation>%1 ist kein Feld: verwenden Sie {name}, {page}, {page:03} oder {n}</translation>
    </message>
    <message>
        <source>a { without its } or a } without its {</source>
        <translation>eine { ohne ihre } oder eine } ohne ihre {</translation>
    </message>
    <message>
        <source>a name starting with . would make hidden files</source>
        <translation>ein Name, der mit . beginnt, ergäbe versteckte Dateien</translation>
    </message>
    <message>
        <source>a name cannot start or end with a blank</source>
        <translation>ein Name darf nicht mit einem Leerzeichen beginnen oder enden</translation>
    </message>
    <message>
        <source>a name cannot hold *, ? or [, which a shell takes for a pattern</source>
        <translation>ein Name darf weder *, ? noch [ enthalten, die eine Shell als Muster nimmt</translation>
    </message>
    <message>
        <source>standard input could not be kept as a file: %1</source>
        <translation>die Standardeingabe konnte nicht als Datei aufbewahrt werden: %1</translation>
    </message>
    <message>
        <source>%1 of %2 files and %3 of %4 %5 files failed.</source>
        <translation>%1 von %2 Dateien und %3 von %4 %5-Dateien sind fehlgeschlagen.</translation>
    </message>
    <message>
        <source>PDF files to convert; a folder for the PDF files in it and below it, - for one PDF on standard input.</source>
        <translation>Umzuwandelnde PDF-Dateien; ein Ordner für die PDF-Dateien darin und darunter, - für eine PDF-Datei auf der Standardeingabe.</translation>
    </message>
    <message>
        <source>not a format: give gif, png, tiff, jpeg or webp</source>
        <translation>kein Format: geben Sie gif, png, tiff, jpeg oder webp an</translation>
    </message>
    <message>
        <source>not a quality: give a whole number from 1 to 100</source>
        <translation>keine Qualität: geben Sie eine ganze Zahl von 1 bis 100 an</translation>
    </message>
    <message>
        <source>--animate takes its seconds after an =, as in --animate=%1; there is no file &apos;%1&apos;.</source>
        <translation>--animate nimmt seine Sekunden nach einem =, wie in --animate=%1; es gibt keine Datei &apos;%1&apos;.</translation>
    </message>
    <message>
        <source>standard input can be read once: give - either as a FILE or as --files-from -, and once.</source>
        <translation>die Standardeingabe kann einmal gelesen werden: geben Sie - entweder als FILE oder als --files-from - an, und nur einmal.</translation>
    </message>
    <message>
        <source>a folder with no PDF file in it or below it</source>
        <translation>ein Ordner ohne PDF-Datei darin oder darunter</translation>
    </message>
    <message>
        <source>File format of the pages: gif (default), png, tiff, jpeg or webp; png and tiff keep every pixel of the page image.</source>
        <translation>Dateiformat der Seiten: gif (Vorgabe), png, tiff, jpeg oder webp; png und tiff bewahren jedes Pixel des Seitenbilds.</translation>
    </message>
    <message>
        <source>Write one looping animated GIF per PDF (report.gif), each page shown a second; --animate=SECONDS (with the =) shows each page SECONDS (decimals allowed).</source>
        <translation>Ein animiertes GIF in Endlosschleife je PDF schreiben (report.gif), jede Seite eine Sekunde gezeigt; --animate=SECONDS (mit dem =) zeigt jede Seite SECONDS Sekunden (Dezimalzahlen erlaubt).</translation>
    </message>
    <message>
        <source>%1: the folder cannot be written: %2</source>
        <translation>%1: in den Ordner kann nicht geschrieben werden: %2</translation>
    </message>
    <message>
        <source>is one of the files to convert</source>
        <translation>ist eine der umzuwandelnden Dateien</translation>
    </message>
    <message>
        <source>its folder cannot be written: </source>
        <translation>in seinen Ordner kann nicht geschrieben werden: </translation>
    </message>
    <message>
        <source>another run is writing this record; one record has one run at a time</source>
        <translation>ein anderer Lauf schreibt dieses Protokoll; ein Protokoll hat jeweils nur einen Lauf</translation>
    </message>
    <message>
        <source>cannot be locked: </source>
        <translation>kann nicht gesperrt werden: </translation>
    </message>
    <message>
        <source>line %1 is longer than %2 KiB, so it is not a line of a report of this program</source>
        <translation>Zeile %1 ist länger als %2 KiB und daher keine Zeile eines Protokolls dieses Programms</translation>
    </message>
    <message>
        <source>cannot be written: </source>
        <translation>kann nicht geschrieben werden: </translation>
    </message>
    <message>
        <source>--quality sets the quality of gif, jpeg and webp pages; %1 pages have none.</source>
        <translation>--quality legt die Qualität von gif-, jpeg- und webp-Seiten fest; %1-Seiten haben keine.</translation>
    </message>
    <message>
        <source>Quality of gif, jpeg and webp pages, from 1 (smallest files) to 100 (default %1 for gif, %2 for jpeg and webp).</source>
        <translation>Qualität von gif-, jpeg- und webp-Seiten, von 1 (kleinste Dateien) bis 100 (Vorgabe %1 für gif, %2 für jpeg und webp).</translation>
    </message>
    <message>
        <source>--recursive goes with --watch DIR.</source>
        <translation>--recursive gehört zu --watch DIR.</translation>
    </message>
    <message>
        <source>--watch needs --report FILE: the record keeps each PDF from being converted twice.</source>
        <translation>--watch braucht --report FILE: das Protokoll verhindert, dass ein PDF zweimal umgewandelt wird.</translation>
    </message>
    <message>
        <source>no such folder</source>
        <translation>Ordner nicht vorhanden</translation>
    </message>
    <message>
        <source>--watch DIR converts what appears in DIR; give no FILE and no --files-from with it.</source>
        <translation>--watch DIR wandelt um, was in DIR erscheint; geben Sie dazu kein FILE und kein --files-from an.</translation>
    </message>
    <message>
        <source>Watch DIR until ended by a signal: convert every PDF that appears in it once it has stopped growing, and again when it is replaced; needs --report FILE, which keeps each version converted once, across restarts too.</source>
        <translation>DIR beobachten, bis ein Signal das Programm beendet: jedes PDF, das darin erscheint, umwandeln, sobald es nicht mehr wächst, und erneut, wenn es ersetzt wird; braucht --report FILE, damit jede Fassung nur einmal umgewandelt wird, auch über Neustarts hinweg.</translation>
    </message>
    <message>
        <source>With --watch, also the folders below DIR.</source>
        <translation>Mit --watch auch die Ordner unterhalb von DIR.</translation>
    </message>
    <message>
        <source>%1: the output folder is gone</source>
        <translation>%1: der Ausgabeordner ist nicht mehr vorhanden</translation>
    </message>
    <message>
        <source>%1: the folder cannot be read any more: %2</source>
        <translation>%1: der Ordner kann nicht mehr gelesen werden: %2</translation>
    </message>
    <message>
        <source>%1: a page of the earlier version could not be removed: %2</source>
        <translation>%1: eine Seite der früheren Fassung konnte nicht entfernt werden: %2</translation>
    </message>
</context>
<context>
    <name>ConversionRun</name>
    <message>
        <source>%1 to %2 (%3 GIF files)</source>
        <translation>%1 bis %2 (%3 GIF-Dateien)</translation>
    </message>
    <message>
        <source>... and %1 more.</source>
        <translation>… und %1 weitere.</translation>
    </message>
    <message>
        <source>%1 file(s) had the name of a file converted before them in this run. So that no GIF file of this run was replaced, their GIF files have other names:
</source>
        <translation>%1 Datei(en) hatten den Namen einer Datei, die in diesem Durchgang vor ihnen umgewandelt wurde. Damit keine GIF-Datei dieses Durchgangs ersetzt wurde, haben ihre GIF-Dateien andere Namen:
</translation>
    </message>
    <message>
        <source>Invalid picture: %1 (%2)</source>
        <translation>Ungültiges Bild: %1 (%2)</translation>
    </message>
    <message>
        <source>No files added.</source>
        <translation>Keine Dateien hinzugefügt.</translation>
    </message>
    <message>
        <source>Folder does not exist. Please select another folder.</source>
        <translation>Der Ordner existiert nicht. Bitte wählen Sie einen anderen Ordner.</translation>
    </message>
    <message>
        <source>GDI+ Initialization Failed.</source>
        <translation>GDI+ konnte nicht gestartet werden.</translation>
    </message>
    <message>
        <source>Processing: </source>
        <translation>Verarbeitung: </translation>
    </message>
    <message>
        <source>no scratch folder could be made in </source>
        <translation>es konnte kein Arbeitsordner angelegt werden in </translation>
    </message>
    <message>
        <source>Could not create GIF on </source>
        <translation>GIF-Erstellung fehlgeschlagen für </translation>
    </message>
    <message>
        <source>Could not create GIF</source>
        <translation>GIF konnte nicht erstellt werden</translation>
    </message>
    <message>
        <source>no page image was produced</source>
        <translation>es wurde kein Seitenbild erzeugt</translation>
    </message>
    <message>
        <source>no page image was found</source>
        <translation>es wurde kein Seitenbild gefunden</translation>
    </message>
    <message>
        <source>no GIF could be written</source>
        <translation>es konnte kein GIF geschrieben werden</translation>
    </message>
    <message>
        <source>Progress Bar</source>
        <translation>Fortschrittsanzeige</translation>
    </message>
    <message>
        <source>%1 GIF file(s) could not be written:
</source>
        <translation>%1 GIF-Datei(en) konnten nicht geschrieben werden:
</translation>
    </message>
    <message>
        <source>Done.</source>
        <translation>Fertig.</translation>
    </message>
    <message>
        <source>no picture</source>
        <translation>kein Bild</translation>
    </message>
    <message>
        <source>not written, as a page of the document failed</source>
        <translation>nicht geschrieben, da eine Seite des Dokuments fehlschlug</translation>
    </message>
</context>
<context>
    <name>Engine</name>
    <message>
        <source>No document is open: there is no script object to get</source>
        <translation>Kein Dokument ist geöffnet: Es gibt kein Skriptobjekt</translation>
    </message>
    <message>
        <source>Cannot save %1 as &quot;%2&quot;: the only conversion available is &quot;%3&quot;</source>
        <translation>%1 kann nicht als „%2“ gespeichert werden: Die einzige verfügbare Umwandlung ist „%3“</translation>
    </message>
    <message>
        <source>Cannot save %1: the document has been closed</source>
        <translation>%1 kann nicht gespeichert werden: Das Dokument wurde geschlossen</translation>
    </message>
    <message>
        <source>Cannot save %1: the folder %2 does not exist</source>
        <translation>%1 kann nicht gespeichert werden: Der Ordner %2 existiert nicht</translation>
    </message>
    <message>
        <source>%1 of the %2 page(s) of %3 could not be saved (page %4): %5</source>
        <translation>%1 der %2 Seite(n) von %3 konnten nicht gespeichert werden (Seite %4): %5</translation>
    </message>
    <message>
        <source>%1 has no pages to save</source>
        <translation>%1 hat keine Seiten zum Speichern</translation>
    </message>
    <message>
        <source>Page %1 does not exist: pages are numbered from 1</source>
        <translation>Seite %1 gibt es nicht: Die Seiten werden ab 1 gezählt</translation>
    </message>
    <message>
        <source>Cannot load page %1: %2</source>
        <translation>Seite %1 kann nicht geladen werden: %2</translation>
    </message>
    <message>
        <source>Page %1 is past the end of %2, which has %3 page(s)</source>
        <translation>Seite %1 liegt hinter dem Ende von %2, das %3 Seite(n) hat</translation>
    </message>
    <message>
        <source>The resolution %1 cannot be used: it must be a number of dots per inch above 0</source>
        <translation>Die Auflösung %1 ist nicht verwendbar: Sie muss eine Zahl von Punkten pro Zoll über 0 sein</translation>
    </message>
    <message>
        <source>No page is loaded: nothing was written to %1</source>
        <translation>Keine Seite ist geladen: Nach %1 wurde nichts geschrieben</translation>
    </message>
    <message>
        <source>Save format %1 is not supported: only %2 (JPEG) is</source>
        <translation>Das Speicherformat %1 wird nicht unterstützt: nur %2 (JPEG)</translation>
    </message>
    <message>
        <source>picture too large for GIF (%1 x %2; at most %3 a side)</source>
        <translation>Bild zu groß für GIF (%1 × %2; höchstens %3 je Seite)</translation>
    </message>
    <message>
        <source>no picture</source>
        <translation>kein Bild</translation>
    </message>
    <message>
        <source>out of memory</source>
        <translation>nicht genug Arbeitsspeicher</translation>
    </message>
    <message>
        <source>cannot write the GIF: %1</source>
        <translation>das GIF kann nicht geschrieben werden: %1</translation>
    </message>
    <message>
        <source>out of memory (%1 x %2)</source>
        <translation>nicht genug Arbeitsspeicher (%1 × %2)</translation>
    </message>
    <message>
        <source>the imaging service is not started</source>
        <translation>der Bilddienst ist nicht gestartet</translation>
    </message>
    <message>
        <source>no encoder for %1</source>
        <translation>kein Encoder für %1</translation>
    </message>
    <message>
        <source>the encoder failed</source>
        <translation>der Encoder ist fehlgeschlagen</translation>
    </message>
    <message>
        <source>The number of pages &quot;%1&quot; is too large: at most %2 pages can be converted from one file.</source>
        <translation>Die Seitenanzahl „%1“ ist zu groß: Aus einer Datei können höchstens %2 Seiten umgewandelt werden.</translation>
    </message>
    <message>
        <source>the number of pages &quot;%1&quot; renders no page</source>
        <translation>mit der Seitenanzahl „%1“ wird keine Seite gezeichnet</translation>
    </message>
    <message>
        <source>%1 x %2 pixels is larger than a page image may be</source>
        <translation>%1 × %2 Pixel ist größer, als ein Seitenbild sein darf</translation>
    </message>
    <message>
        <source>the file is truncated: it has no end-of-image marker</source>
        <translation>die Datei ist abgeschnitten: Ihr fehlt die Endemarke des Bildes</translation>
    </message>
    <message>
        <source>The page renderer %1 is missing: the program is not installed completely</source>
        <translation>Der Seiten-Renderer %1 fehlt: Das Programm ist nicht vollständig installiert</translation>
    </message>
    <message>
        <source>The page renderer %1 could not be started: %2</source>
        <translation>Der Seiten-Renderer %1 konnte nicht gestartet werden: %2</translation>
    </message>
    <message>
        <source>%1 could not be opened: the page renderer answered &quot;%2&quot;</source>
        <translation>%1 konnte nicht geöffnet werden: Der Seiten-Renderer antwortete „%2“</translation>
    </message>
    <message>
        <source>page %1 of %2</source>
        <translation>Seite %1 von %2</translation>
    </message>
    <message>
        <source>opening %1</source>
        <translation>dem Öffnen von %1</translation>
    </message>
    <message>
        <source>The page renderer reached %1 on %2; the page was not converted</source>
        <translation>Der Seiten-Renderer erreichte %1 bei %2; die Seite wurde nicht umgewandelt</translation>
    </message>
    <message>
        <source>The page renderer %1 on %2; the page was not converted</source>
        <translation>Der Seiten-Renderer ist bei %2 %1; die Seite wurde nicht umgewandelt</translation>
    </message>
    <message>
        <source>crashed</source>
        <translation>abgestürzt</translation>
    </message>
    <message>
        <source>ended with status %1</source>
        <translation>mit Status %1 beendet worden</translation>
    </message>
    <message>
        <source>%1 was reached on %2; the page was not converted</source>
        <translation>%1 wurde bei %2 erreicht; die Seite wurde nicht umgewandelt</translation>
    </message>
    <message>
        <source>%1 was reached on page %2 of %3; the page was not converted</source>
        <translation type="vanished">%1 wurde auf Seite %2 von %3 erreicht; die Seite wurde nicht umgewandelt</translation>
    </message>
    <message>
        <source>The page renderer reached %1 on page %2 of %3; the page was not converted</source>
        <translation>Der Seiten-Renderer erreichte %1 auf Seite %2 von %3; die Seite wurde nicht umgewandelt</translation>
    </message>
    <message>
        <source>Page %1 of %2 could not be rendered: the page renderer answered &quot;%3&quot;</source>
        <translation>Seite %1 von %2 konnte nicht gezeichnet werden: Der Seiten-Renderer antwortete „%3“</translation>
    </message>
    <message>
        <source>%1 cannot be written: %2</source>
        <translation>%1 kann nicht geschrieben werden: %2</translation>
    </message>
    <message>
        <source>the memory cap of %1 MB</source>
        <translation>die Speichergrenze von %1 MB</translation>
    </message>
    <message>
        <source>the time cap of %1 seconds per page</source>
        <translation>die Zeitgrenze von %1 Sekunden pro Seite</translation>
    </message>
    <message>
        <source>%1 cannot be moved to %2: %3</source>
        <translation>%1 kann nicht nach %2 verschoben werden: %3</translation>
    </message>
    <message>
        <source>%1 was not copied to %2</source>
        <translation>%1 wurde nicht nach %2 kopiert</translation>
    </message>
    <message>
        <source>%1 was reached on page %2 of %3; the renderer was stopped</source>
        <translation>%1 wurde auf Seite %2 von %3 erreicht; der Renderer wurde angehalten</translation>
    </message>
    <message>
        <source>%1 ended without removing current.pdf</source>
        <translation>%1 wurde beendet, ohne current.pdf zu entfernen</translation>
    </message>
    <message>
        <source>the renderer reached %1 on page %2 of %3</source>
        <translation>der Renderer erreichte %1 auf Seite %2 von %3</translation>
    </message>
    <message>
        <source>the renderer failed (exit status %1)</source>
        <translation>der Renderer ist fehlgeschlagen (Exit-Status %1)</translation>
    </message>
    <message>
        <source>the renderer gave no page</source>
        <translation>der Renderer lieferte keine Seite</translation>
    </message>
    <message>
        <source>Not every page of %1 could be converted: %2</source>
        <translation>Nicht alle Seiten von %1 konnten umgewandelt werden: %2</translation>
    </message>
    <message>
        <source>Path/File access error: %1 is not empty</source>
        <translation>Fehler beim Zugriff auf Pfad/Datei: %1 ist nicht leer</translation>
    </message>
    <message>
        <source>no page of %1 is in the page range %2: it has %3 page(s)</source>
        <translation>keine Seite von %1 liegt im Seitenbereich %2: Die Datei hat %3 Seite(n)</translation>
    </message>
    <message>
        <source>Write failed</source>
        <translation>Schreibfehler</translation>
    </message>
    <message>
        <source>an index beyond the colour table</source>
        <translation>ein Index außerhalb der Farbtabelle</translation>
    </message>
    <message>
        <source>error %1</source>
        <translation>Fehler %1</translation>
    </message>
    <message>
        <source>Page %1 of %2 could not be rendered: the page renderer&apos;s answer was no line</source>
        <translation>Seite %1 von %2 konnte nicht gezeichnet werden: Die Antwort des Seiten-Renderers war keine Zeile</translation>
    </message>
    <message>
        <source>%1 is password-protected, and the password given does not open it</source>
        <translation>%1 ist passwortgeschützt, und das angegebene Passwort öffnet die Datei nicht</translation>
    </message>
    <message>
        <source>%1 is password-protected, and no password was given</source>
        <translation>%1 ist passwortgeschützt, und es wurde kein Passwort angegeben</translation>
    </message>
    <message>
        <source>the Acrobat object</source>
        <translation>das Acrobat-Objekt</translation>
    </message>
    <message>
        <source>the GflAx component</source>
        <translation>die GflAx-Komponente</translation>
    </message>
    <message>
        <source>Object variable not set: %1 was not created</source>
        <translation>Objektvariable nicht festgelegt: %1 wurde nicht erstellt</translation>
    </message>
    <message>
        <source>page(s) %1 could not be rendered</source>
        <translation>Seite(n) %1 konnte(n) nicht gezeichnet werden</translation>
    </message>
    <message>
        <source>the script %1 is missing: the program is not installed completely</source>
        <translation>das Skript %1 fehlt: Das Programm ist nicht vollständig installiert</translation>
    </message>
    <message>
        <source>%1 was not found</source>
        <translation>%1 wurde nicht gefunden</translation>
    </message>
    <message>
        <source>%1 is not a PDF file</source>
        <translation>%1 ist keine PDF-Datei</translation>
    </message>
    <message>
        <source>%1 is damaged or is not a PDF file that can be read</source>
        <translation>%1 ist beschädigt oder keine lesbare PDF-Datei</translation>
    </message>
    <message>
        <source>%1 was reached</source>
        <translation>%1 wurde erreicht</translation>
    </message>
    <message>
        <source>Ghostscript ended while drawing it</source>
        <translation>Ghostscript endete beim Zeichnen dieser Seite</translation>
    </message>
    <message>
        <source>at the resolution asked it would have no pixels. Choose a higher resolution</source>
        <translation>bei der gewählten Auflösung hätte sie keine Pixel. Wählen Sie eine höhere Auflösung</translation>
    </message>
    <message>
        <source>Ghostscript failed on its content</source>
        <translation>Ghostscript scheiterte an ihrem Inhalt</translation>
    </message>
    <message>
        <source>page %1 could not be drawn: %2</source>
        <translation>Seite %1 konnte nicht gezeichnet werden: %2</translation>
    </message>
    <message>
        <source>Ghostscript could not open %1: it is damaged or not a PDF</source>
        <translation>Ghostscript konnte %1 nicht öffnen: Die Datei ist beschädigt oder kein PDF</translation>
    </message>
    <message>
        <source>%1 could not be converted: %2 is not installed</source>
        <translation>%1 konnte nicht umgewandelt werden: %2 ist nicht installiert</translation>
    </message>
    <message>
        <source>%1 could not be started: %2</source>
        <translation>%1 konnte nicht gestartet werden: %2</translation>
    </message>
    <message>
        <source>the page image of %1 x %2 pixels needs more than the memory cap of %3 MB</source>
        <translation>das Seitenbild von %1 x %2 Pixeln braucht mehr als die Speichergrenze von %3 MB</translation>
    </message>
    <message>
        <source>%1 could not be converted: its page script said something that is not an event</source>
        <translation>%1 konnte nicht umgewandelt werden: sein Seitenskript hat etwas gemeldet, das kein Ereignis ist</translation>
    </message>
    <message>
        <source>%1 could not be converted: its page script gave page %2, which was not to be drawn</source>
        <translation>%1 konnte nicht umgewandelt werden: sein Seitenskript hat Seite %2 geliefert, die nicht gezeichnet werden sollte</translation>
    </message>
    <message>
        <source>%1 could not be converted: its page script named a file outside its own folder</source>
        <translation>%1 konnte nicht umgewandelt werden: sein Seitenskript hat eine Datei außerhalb seines eigenen Ordners genannt</translation>
    </message>
    <message>
        <source>%1 changed while it was converted</source>
        <translation>%1 wurde während der Umwandlung geändert</translation>
    </message>
    <message>
        <source>the document&apos;s page tree does not lead to it (the file is damaged)</source>
        <translation>der Seitenbaum des Dokuments führt nicht zu ihr (die Datei ist beschädigt)</translation>
    </message>
    <message>
        <source>the scratch folder %1 is full: there is no room for the page images</source>
        <translation>der Arbeitsordner %1 ist voll: es ist kein Platz für die Seitenbilder</translation>
    </message>
    <message>
        <source>Page %1 of %2 could not be drawn: the document&apos;s page tree does not lead to it (the file is damaged)</source>
        <translation>Seite %1 von %2 konnte nicht gezeichnet werden: der Seitenbaum des Dokuments führt nicht zu ihr (die Datei ist beschädigt)</translation>
    </message>
    <message>
        <source>at the size asked it would be more than %1 pixels a side or %2 million pixels in all. Choose a lower resolution or a smaller box</source>
        <translation>in der verlangten Größe hätte sie mehr als %1 Pixel pro Seite oder %2 Millionen Pixel insgesamt. Wählen Sie eine niedrigere Auflösung oder einen kleineren Rahmen</translation>
    </message>
    <message>
        <source>it would fit the box asked only below the lowest resolution, %1 dpi. Choose a larger box</source>
        <translation>sie passte erst unterhalb der niedrigsten Auflösung, %1 dpi, in den verlangten Rahmen. Wählen Sie einen größeren Rahmen</translation>
    </message>
    <message>
        <source>Page %1 of %2 could not be drawn: %3</source>
        <translation>Seite %1 von %2 konnte nicht gezeichnet werden: %3</translation>
    </message>
    <message>
        <source>at the size asked it would be more than %1 pixels a side or %2 million pixels in all (%3 x %4). Choose a lower resolution or a smaller box</source>
        <translation>in der verlangten Größe hätte sie mehr als %1 Pixel pro Seite oder %2 Millionen Pixel insgesamt (%3 x %4). Wählen Sie eine niedrigere Auflösung oder einen kleineren Rahmen</translation>
    </message>
    <message>
        <source>the page renderer could not draw its content</source>
        <translation>der Seitenrenderer konnte ihren Inhalt nicht zeichnen</translation>
    </message>
</context>
<context>
    <name>ErrorBox</name>
    <message>
        <source>Application Error</source>
        <translation>Anwendungsfehler</translation>
    </message>
    <message>
        <source>at line </source>
        <translation>in Zeile </translation>
    </message>
    <message>
        <source>Please email screenshot of this message to </source>
        <translation>Bitte senden Sie ein Bildschirmfoto dieser Meldung per E-Mail an </translation>
    </message>
    <message>
        <source>Unexpected error</source>
        <translation>Unerwarteter Fehler</translation>
    </message>
</context>
<context>
    <name>Files</name>
    <message>
        <source>Index out of bounds</source>
        <translation>Index außerhalb des gültigen Bereichs</translation>
    </message>
    <message>
        <source>The desktop folder cannot be found</source>
        <translation>Der Ordner der Arbeitsfläche wurde nicht gefunden</translation>
    </message>
    <message>
        <source>Invalid procedure call or argument</source>
        <translation>Ungültiger Prozeduraufruf oder ungültiges Argument</translation>
    </message>
    <message>
        <source>Permission denied: %1 is not a folder that can be deleted</source>
        <translation>Zugriff verweigert: %1 ist kein Ordner, der gelöscht werden kann</translation>
    </message>
    <message>
        <source>Permission denied: %1 is a link or a file, not a folder of its own; it was left alone</source>
        <translation>Zugriff verweigert: %1 ist eine Verknüpfung oder eine Datei, kein eigener Ordner; es wurde nicht angetastet</translation>
    </message>
    <message>
        <source>Permission denied: %1 could not be deleted completely</source>
        <translation>Zugriff verweigert: %1 konnte nicht vollständig gelöscht werden</translation>
    </message>
    <message>
        <source>File not found: %1</source>
        <translation>Datei nicht gefunden: %1</translation>
    </message>
    <message>
        <source>Permission denied: %1</source>
        <translation>Zugriff verweigert: %1</translation>
    </message>
    <message>
        <source>Cannot copy %1 to %2: %3</source>
        <translation>%1 kann nicht nach %2 kopiert werden: %3</translation>
    </message>
    <message>
        <source>Path not found: %1</source>
        <translation>Pfad nicht gefunden: %1</translation>
    </message>
    <message>
        <source>Cannot create folder %1</source>
        <translation>Ordner %1 kann nicht angelegt werden</translation>
    </message>
    <message>
        <source>Path not found: %1 cannot be created (%2)</source>
        <translation>Pfad nicht gefunden: %1 kann nicht angelegt werden (%2)</translation>
    </message>
    <message>
        <source>Out of memory</source>
        <translation>Nicht genug Arbeitsspeicher</translation>
    </message>
    <message>
        <source>File not found</source>
        <translation>Datei nicht gefunden</translation>
    </message>
    <message>
        <source>Path not found</source>
        <translation>Pfad nicht gefunden</translation>
    </message>
    <message>
        <source>Path/file access error</source>
        <translation>Fehler beim Zugriff auf Pfad/Datei</translation>
    </message>
    <message>
        <source>The executable file is invalid or corrupt</source>
        <translation>Die ausführbare Datei ist ungültig oder beschädigt</translation>
    </message>
    <message>
        <source>A sharing violation occurred.</source>
        <translation>Es ist eine Freigabeverletzung aufgetreten.</translation>
    </message>
    <message>
        <source>This file type does not have a valid file association.</source>
        <translation>Für diesen Dateityp ist keine gültige Zuordnung vorhanden.</translation>
    </message>
    <message>
        <source>The file could not be opened due to time out. Please try again in a moment.</source>
        <translation>Die Datei konnte wegen Zeitüberschreitung nicht geöffnet werden. Bitte versuchen Sie es gleich noch einmal.</translation>
    </message>
    <message>
        <source>The file could not be opened because the DDE transaction failed. Please try again in a moment.</source>
        <translation>Die Datei konnte nicht geöffnet werden, weil die DDE-Transaktion fehlschlug. Bitte versuchen Sie es gleich noch einmal.</translation>
    </message>
    <message>
        <source>The file could not be opened because the target application is busy. Please try again in a moment.</source>
        <translation>Die Datei konnte nicht geöffnet werden, weil die Zielanwendung beschäftigt ist. Bitte versuchen Sie es gleich noch einmal.</translation>
    </message>
    <message>
        <source>No application is associated with this file type.</source>
        <translation>Diesem Dateityp ist keine Anwendung zugeordnet.</translation>
    </message>
    <message>
        <source>The specified dynamic-link library was not found.</source>
        <translation>Die angegebene dynamische Bibliothek wurde nicht gefunden.</translation>
    </message>
    <message>
        <source>An error occurred occurred whilst trying to open or print the selected file.</source>
        <translation>Beim Öffnen oder Drucken der ausgewählten Datei ist ein Fehler aufgetreten.</translation>
    </message>
    <message>
        <source>%1 did not finish within %2 seconds and was stopped</source>
        <translation>%1 wurde nicht innerhalb von %2 Sekunden fertig und wurde angehalten</translation>
    </message>
    <message>
        <source>%1 made no progress for %2 seconds and was stopped</source>
        <translation>%1 kam %2 Sekunden lang nicht voran und wurde angehalten</translation>
    </message>
    <message>
        <source>the name is not valid UTF-8, so the file cannot be opened</source>
        <translation>der Name ist kein gültiges UTF-8, daher kann die Datei nicht geöffnet werden</translation>
    </message>
    <message>
        <source>it is a folder, not a PDF file</source>
        <translation>es ist ein Ordner, keine PDF-Datei</translation>
    </message>
    <message>
        <source>it is not a regular file (a pipe, a device or a socket), not a PDF file</source>
        <translation>es ist keine reguläre Datei (sondern eine Pipe, ein Gerät oder ein Socket) und damit keine PDF-Datei</translation>
    </message>
    <message>
        <source>%1 is missing</source>
        <translation>%1 fehlt</translation>
    </message>
    <message>
        <source>%1 could not be started: %2</source>
        <translation>%1 konnte nicht gestartet werden: %2</translation>
    </message>
    <message>
        <source>a folder</source>
        <translation>ein Ordner</translation>
    </message>
    <message>
        <source>a FIFO (named pipe)</source>
        <translation>ein FIFO (benannte Pipe)</translation>
    </message>
    <message>
        <source>a character device</source>
        <translation>ein zeichenorientiertes Gerät</translation>
    </message>
    <message>
        <source>a block device</source>
        <translation>ein blockorientiertes Gerät</translation>
    </message>
    <message>
        <source>a socket</source>
        <translation>ein Socket</translation>
    </message>
    <message>
        <source>not a regular file</source>
        <translation>keine reguläre Datei</translation>
    </message>
    <message>
        <source>%1 is there, not a regular file; it is never replaced</source>
        <translation>dort ist %1, keine reguläre Datei; sie wird nie ersetzt</translation>
    </message>
</context>
<context>
    <name>Form1</name>
    <message>
        <source>Type mismatch</source>
        <translation>Typen unverträglich</translation>
    </message>
    <message>
        <source>Overflow</source>
        <translation>Überlauf</translation>
    </message>
    <message>
        <source>PDF File(s)</source>
        <translation>PDF-Datei(en)</translation>
    </message>
    <message>
        <source>Invalid property value</source>
        <translation>Ungültiger Eigenschaftswert</translation>
    </message>
    <message>
        <source>GDI+ Initialization Failed.</source>
        <translation>GDI+ konnte nicht gestartet werden.</translation>
    </message>
    <message>
        <source>Your settings could not be saved in </source>
        <translation>Ihre Einstellungen konnten nicht gespeichert werden in </translation>
    </message>
    <message>
        <source>. They will be lost when the program ends.</source>
        <translation>. Sie gehen verloren, wenn das Programm endet.</translation>
    </message>
    <message>
        <source>Please select folder:</source>
        <translation>Bitte wählen Sie einen Ordner:</translation>
    </message>
    <message>
        <source>Questions? Please contact Team Quillfern at </source>
        <translation>Fragen? Bitte wenden Sie sich an Team Quillfern: </translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Hilfe</translation>
    </message>
    <message>
        <source>Add PDF File(s)</source>
        <translation>PDF-Datei(en) hinzufügen</translation>
    </message>
    <message>
        <source>Add All PDF File(s) In Folder</source>
        <translation>Ganzen Ordner hinzufügen</translation>
    </message>
    <message>
        <source>Clear List</source>
        <translation>Liste leeren</translation>
    </message>
    <message>
        <source>Load Sample/Example Files</source>
        <translation>Beispieldateien laden</translation>
    </message>
    <message>
        <source>Conversion Method</source>
        <translation>Umwandlungsverfahren</translation>
    </message>
    <message>
        <source>GflAx Option</source>
        <translation>GflAx-Optionen</translation>
    </message>
    <message>
        <source>Number of Pages:</source>
        <translation>Seitenanzahl:</translation>
    </message>
    <message>
        <source>Resolution:</source>
        <translation>Auflösung:</translation>
    </message>
    <message>
        <source>First Page Option</source>
        <translation>Erste Seite</translation>
    </message>
    <message>
        <source>Convert First Page Only</source>
        <translation>Nur die erste Seite umwandeln</translation>
    </message>
    <message>
        <source>Save Results To This Folder</source>
        <translation>Ergebnisse in diesem Ordner speichern</translation>
    </message>
    <message>
        <source>Start Converting</source>
        <translation>Umwandlung starten</translation>
    </message>
    <message>
        <source>Progress Bar</source>
        <translation>Fortschrittsanzeige</translation>
    </message>
    <message>
        <source>Choose Output Folder</source>
        <translation>Ausgabeordner wählen</translation>
    </message>
    <message>
        <source>Number of Pages</source>
        <translation>Seitenanzahl</translation>
    </message>
    <message>
        <source>Resolution</source>
        <translation>Auflösung</translation>
    </message>
    <message>
        <source>Output Folder</source>
        <translation>Ausgabeordner</translation>
    </message>
    <message>
        <source>Dots per inch of the GflAx method&apos;s pages</source>
        <translation>Punkte pro Zoll der Seiten des GflAx-Verfahrens</translation>
    </message>
    <message>
        <source>The files to convert. Delete or a double click removes the selected file.</source>
        <translation>Die umzuwandelnden Dateien. Entf oder ein Doppelklick entfernt die ausgewählte Datei.</translation>
    </message>
    <message>
        <source>Conversion Progress</source>
        <translation>Fortschritt der Umwandlung</translation>
    </message>
    <message>
        <source>Used by the GflAx method only</source>
        <translation>Nur für das GflAx-Verfahren</translation>
    </message>
    <message>
        <source>Stop Converting</source>
        <translation>Umwandlung anhalten</translation>
    </message>
    <message>
        <source>Ends the run; the GIF files written so far are kept. Escape does the same.</source>
        <translation>Beendet den Lauf; die bisher geschriebenen GIF-Dateien bleiben erhalten. Escape bewirkt dasselbe.</translation>
    </message>
    <message>
        <source>&amp;Stop</source>
        <translation>&amp;Anhalten</translation>
    </message>
    <message>
        <source>Stopped after %1 of %2 files; %3 GIF files were written.</source>
        <translation>Angehalten nach %1 von %2 Dateien; %3 GIF-Dateien wurden geschrieben.</translation>
    </message>
    <message>
        <source>Open Output Folder</source>
        <translation>Ausgabeordner öffnen</translation>
    </message>
    <message>
        <source>Open Output Folder (%1)</source>
        <translation>Ausgabeordner öffnen (%1)</translation>
    </message>
    <message>
        <source>The folder %1 could not be opened.</source>
        <translation>Der Ordner %1 konnte nicht geöffnet werden.</translation>
    </message>
    <message>
        <source>Conversion finished; %1 GIF files were written.</source>
        <translation>Umwandlung beendet; %1 GIF-Dateien wurden geschrieben.</translation>
    </message>
</context>
<context>
    <name>Main</name>
    <message>
        <source>Converts every page of PDF files into GIF files. Each FILE is put on the list as a drop of it would: a file as it is, a folder with every file in its tree.</source>
        <translation>Wandelt jede Seite von PDF-Dateien in GIF-Dateien um. Jedes FILE kommt auf die Liste, als wäre es hineingezogen worden: eine Datei, wie sie ist, ein Ordner mit allen Dateien seines Verzeichnisbaums.</translation>
    </message>
    <message>
        <source>PDF files or folders to list.</source>
        <translation>PDF-Dateien oder Ordner für die Liste.</translation>
    </message>
    <message>
        <source>no display found (neither DISPLAY nor WAYLAND_DISPLAY is set)</source>
        <translation>keine Anzeige gefunden (weder DISPLAY noch WAYLAND_DISPLAY ist gesetzt)</translation>
    </message>
    <message>
        <source>cannot open a window on the display &apos;%1&apos;</source>
        <translation>kann auf der Anzeige &apos;%1&apos; kein Fenster öffnen</translation>
    </message>
    <message>
        <source>start it from a desktop session, or convert without a window with lumenpage-batch.</source>
        <translation>starten Sie es aus einer Desktop-Sitzung, oder wandeln Sie ohne Fenster mit lumenpage-batch um.</translation>
    </message>
</context>
<context>
    <name>Methods</name>
    <message>
        <source>Adobe Acrobat Pro Method (You must have Acrobat Pro installed)</source>
        <translation>Adobe-Acrobat-Pro-Verfahren (Acrobat Pro muss installiert sein)</translation>
    </message>
    <message>
        <source>Ghostscript Method</source>
        <translation>Ghostscript-Verfahren</translation>
    </message>
    <message>
        <source>Black/White Method</source>
        <translation>Schwarz-Weiß-Verfahren</translation>
    </message>
    <message>
        <source>GflAx Method</source>
        <translation>GflAx-Verfahren</translation>
    </message>
</context>
<context>
    <name>QCommandLineParser</name>
    <message>
        <source>Displays help on commandline options.</source>
        <translation>Zeigt Hilfe zu den Kommandozeilenoptionen an.</translation>
    </message>
    <message>
        <source>Displays help including Qt specific options.</source>
        <translation>Zeigt Hilfe einschließlich Qt-spezifischer Optionen an.</translation>
    </message>
</context>
</TS>
