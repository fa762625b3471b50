<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr" sourcelanguage="en">
<context>
    <name>Artwork</name>
    <message>
        <source>Cut one PDF into several</source>
        <translation>Découper un PDF en plusieurs</translation>
    </message>
</context>
<context>
    <name>BatchSplit</name>
    <message>
        <source>--allow needs a list such as print,copy (or none)</source>
        <translation>--allow attend une liste telle que print,copy (ou none)</translation>
    </message>
    <message>
        <source>unknown permission %1 in --allow (use view, print, copy, annotate, forms or none)</source>
        <translation>autorisation %1 inconnue dans --allow (utilisez view, print, copy, annotate, forms ou none)</translation>
    </message>
    <message>
        <source>invalid size %1 for --max-size (use a whole number with K or M, e.g. 500K or 2M)</source>
        <translation>taille %1 non valide pour --max-size (utilisez un nombre entier suivi de K ou M, par exemple 500K ou 2M)</translation>
    </message>
    <message>
        <source>--max-size must be larger than 0</source>
        <translation>--max-size doit être supérieur à 0</translation>
    </message>
    <message>
        <source>--max-size must be below 4096M</source>
        <translation>--max-size doit être inférieur à 4096M</translation>
    </message>
    <message>
        <source>option --force takes no value</source>
        <translation>l’option --force ne prend pas de valeur</translation>
    </message>
    <message>
        <source>unknown option %1</source>
        <translation>option %1 inconnue</translation>
    </message>
    <message>
        <source>option %1 needs a value</source>
        <translation>l’option %1 attend une valeur</translation>
    </message>
    <message>
        <source>option %1 given more than once</source>
        <translation>l’option %1 est donnée plusieurs fois</translation>
    </message>
    <message>
        <source>--every needs a whole number of pages above 0, not %1</source>
        <translation>--every attend un nombre entier de pages supérieur à 0, et non %1</translation>
    </message>
    <message>
        <source>option --out needs a folder</source>
        <translation>l’option --out attend un dossier</translation>
    </message>
    <message>
        <source>option %1 needs a file</source>
        <translation>l’option %1 attend un fichier</translation>
    </message>
    <message>
        <source>no input file given</source>
        <translation>aucun fichier d’entrée n’est donné</translation>
    </message>
    <message>
        <source>only one input file is accepted, got %1</source>
        <translation>un seul fichier d’entrée est accepté, %1 ont été donnés</translation>
    </message>
    <message>
        <source>--allow needs --owner-password-file</source>
        <translation>--allow nécessite --owner-password-file</translation>
    </message>
    <message>
        <source>invalid page range %1 for a document of %2 pages</source>
        <translation>plage de pages %1 non valide pour un document de %2 pages</translation>
    </message>
    <message>
        <source>page range %1 names no pages</source>
        <translation>la plage de pages %1 ne désigne aucune page</translation>
    </message>
    <message>
        <source>cannot read password file %1: %2</source>
        <translation>impossible de lire le fichier de mot de passe %1&#xa0;: %2</translation>
    </message>
    <message>
        <source>the first line of password file %1 is too long</source>
        <translation>la première ligne du fichier de mot de passe %1 est trop longue</translation>
    </message>
    <message>
        <source>owner password file %1 holds no password</source>
        <translation>le fichier de mot de passe propriétaire %1 ne contient aucun mot de passe</translation>
    </message>
    <message>
        <source>--allow permits everything, so the owner password would protect nothing</source>
        <translation>--allow autorise tout&#xa0;: le mot de passe propriétaire ne protégerait rien</translation>
    </message>
    <message>
        <source>cannot open %1: no such file</source>
        <translation>impossible d’ouvrir %1&#xa0;: fichier introuvable</translation>
    </message>
    <message>
        <source>%1 is a folder, not a PDF file</source>
        <translation>%1 est un dossier, pas un fichier PDF</translation>
    </message>
    <message>
        <source>cannot open %1: permission denied</source>
        <translation>impossible d’ouvrir %1&#xa0;: permission refusée</translation>
    </message>
    <message>
        <source>cannot read %1: the file is damaged or not a PDF document</source>
        <translation>impossible de lire %1&#xa0;: le fichier est endommagé ou n’est pas un document PDF</translation>
    </message>
    <message>
        <source>%1 does not allow copying its pages; give the password that allows it with --password-file</source>
        <translation>%1 n’autorise pas la copie de ses pages&#xa0;; donnez le mot de passe qui l’autorise avec --password-file</translation>
    </message>
    <message>
        <source>%1 is protected by a password; give it with --password-file</source>
        <translation>%1 est protégé par un mot de passe&#xa0;; donnez-le avec --password-file</translation>
    </message>
    <message>
        <source>wrong password for %1 (read from %2)</source>
        <translation>mot de passe incorrect pour %1 (lu dans %2)</translation>
    </message>
    <message>
        <source>password file %1 holds no password</source>
        <translation>le fichier de mot de passe %1 ne contient aucun mot de passe</translation>
    </message>
    <message>
        <source>output folder %1 does not exist</source>
        <translation>le dossier de sortie %1 n’existe pas</translation>
    </message>
    <message>
        <source>%1 is not a folder</source>
        <translation>%1 n’est pas un dossier</translation>
    </message>
    <message>
        <source>cannot write to output folder %1: %2</source>
        <translation>impossible d’écrire dans le dossier de sortie %1&#xa0;: %2</translation>
    </message>
    <message>
        <source>the PDF engines could not be started</source>
        <translation>les moteurs PDF n’ont pas pu être démarrés</translation>
    </message>
    <message>
        <source>the password in %1 does not allow copying the pages of %2</source>
        <translation>le mot de passe de %1 n’autorise pas la copie des pages de %2</translation>
    </message>
    <message>
        <source>Try &apos;parcelo-split --help&apos; for more information.</source>
        <translation>Essayez «&#xa0;parcelo-split --help&#xa0;» pour plus d’informations.</translation>
    </message>
    <message>
        <source>%1 already exists (use --force to overwrite)</source>
        <translation>%1 existe déjà (utilisez --force pour le remplacer)</translation>
    </message>
    <message>
        <source>cannot replace %1: %2</source>
        <translation>impossible de remplacer %1&#xa0;: %2</translation>
    </message>
    <message>
        <source>cannot write %1: %2</source>
        <translation>impossible d’écrire %1&#xa0;: %2</translation>
    </message>
    <message>
        <source>cannot read %1: the file is encrypted in a way that cannot be read</source>
        <translation>impossible de lire %1&#xa0;: le fichier est chiffré d’une manière qui ne peut pas être lue</translation>
    </message>
    <message>
        <source>cannot read %1: the list of its pages is damaged and cannot be followed</source>
        <translation>impossible de lire %1&#xa0;: la liste de ses pages est endommagée et ne peut pas être parcourue</translation>
    </message>
    <message>
        <source>cannot read %1: a repaired copy for reading its pages could not be written: %2</source>
        <translation>impossible de lire %1&#xa0;: la copie réparée nécessaire pour lire ses pages n’a pas pu être écrite&#xa0;: %2</translation>
    </message>
    <message>
        <source>cannot read %1: %2</source>
        <translation>impossible de lire %1&#xa0;: %2</translation>
    </message>
    <message>
        <source>Usage: parcelo-split INPUT.pdf (--ranges TEXT | --every N | --max-size SIZE | --bookmarks LEVEL)
                     [OPTIONS]
Cut one PDF document into several, one file per section.

Sections (choose one kind):
  --ranges TEXT             one section from page-range text such as &quot;1-7, 18&quot;;
                            give it several times for several sections
  --every N                 a new section every N pages
  --max-size SIZE           consecutive sections whose files are no larger than
                            SIZE, a whole number with K or M (500K, 2M)
  --bookmarks LEVEL         a section at each bookmark of LEVEL (1 = the top
                            level, 2 = the bookmarks below it ...) and at each
                            bookmark above that level, named after the bookmark;
                            the pages before the first bookmark form a section
                            of their own

Options:
  --out DIR                 write the files into DIR (default: the current folder)
  --password-file F         the input&apos;s password, from the first line of F
  --owner-password-file F   protect the files with the password on the first line of F
  --allow LIST              what the protected files allow without that password:
                            print, copy, annotate, forms, separated by commas;
                            each implies view (opening); view alone allows only
                            opening (the default); none requires the password
                            even for opening
  --force                   overwrite files that already exist
  -h, --help                show this help and exit
  -v, --version             show the version and exit

Files are named like the sections of the window: &quot;&lt;name&gt;-S&lt;n&gt;.&lt;ext&gt;&quot; after the input,
or after their bookmark with --bookmarks.
Each written file is printed on its own line. Nothing is written unless every file can
be written. Exit status: 0 when every file was written, 1 when the run failed, 2 for a
wrong command line.
</source>
        <translation>Utilisation&#xa0;: parcelo-split ENTRÉE.pdf (--ranges TEXTE | --every N | --max-size TAILLE | --bookmarks NIVEAU)
                     [OPTIONS]
Découpe un document PDF en plusieurs, un fichier par section.

Sections (choisissez une seule sorte)&#xa0;:
  --ranges TEXTE            une section d’après un texte de plages de pages tel que
                            «&#xa0;1-7, 18&#xa0;»&#xa0;; à répéter pour plusieurs sections
  --every N                 une nouvelle section toutes les N pages
  --max-size TAILLE         des sections consécutives dont les fichiers ne dépassent pas
                            TAILLE, un nombre entier suivi de K ou M (500K, 2M)
  --bookmarks NIVEAU        une section à chaque signet de NIVEAU (1 = le premier
                            niveau, 2 = les signets placés dessous…) et à chaque
                            signet d’un niveau supérieur, nommée d’après le signet&#xa0;;
                            les pages qui précèdent le premier signet forment une
                            section à part

Options&#xa0;:
  --out DOSSIER             écrire les fichiers dans DOSSIER (par défaut&#xa0;: le dossier courant)
  --password-file F         le mot de passe du fichier d’entrée, lu sur la première ligne de F
  --owner-password-file F   protéger les fichiers par le mot de passe lu sur la première
                            ligne de F
  --allow LISTE             ce que les fichiers protégés permettent sans ce mot de passe&#xa0;:
                            print (imprimer), copy (copier), annotate (annoter), forms
                            (remplir les formulaires), séparés par des virgules&#xa0;; chacun
                            inclut view (ouvrir)&#xa0;; view seul ne permet que d’ouvrir (par
                            défaut)&#xa0;; none exige le mot de passe même pour ouvrir
  --force                   remplacer les fichiers qui existent déjà
  -h, --help                afficher cette aide et quitter
  -v, --version             afficher la version et quitter

Les fichiers sont nommés comme les sections de la fenêtre&#xa0;: «&#xa0;&lt;name&gt;-S&lt;n&gt;.&lt;ext&gt;&#xa0;»
d’après le fichier d’entrée, ou d’après leur signet avec --bookmarks. Chaque fichier écrit est affiché sur sa propre ligne. Rien
n’est écrit tant que tous les fichiers ne peuvent pas l’être. Code de sortie&#xa0;: 0 quand
tous les fichiers ont été écrits, 1 quand l’exécution a échoué, 2 pour une ligne de
commande incorrecte.
</translation>
    </message>
    <message>
        <source>choose only one of --ranges, --every, --max-size and --bookmarks</source>
        <translation>choisissez une seule option parmi --ranges, --every, --max-size et --bookmarks</translation>
    </message>
    <message>
        <source>--bookmarks needs a level, a whole number from 1 (the top level), not %1</source>
        <translation>--bookmarks attend un niveau, un nombre entier à partir de 1 (le premier niveau), pas %1</translation>
    </message>
    <message>
        <source>say how to split: --ranges, --every, --max-size or --bookmarks</source>
        <translation>indiquez comment découper&#xa0;: --ranges, --every, --max-size ou --bookmarks</translation>
    </message>
    <message>
        <source>%1 has no bookmarks to split at</source>
        <translation>%1 n’a pas de signets où découper</translation>
    </message>
    <message>
        <source>none of the bookmarks of %1 points at one of its pages</source>
        <translation>aucun signet de %1 ne mène à l’une de ses pages</translation>
    </message>
    <message>
        <source>%1 has no bookmarks at level %2; its bookmarks go down to level %3</source>
        <translation>%1 n’a pas de signets au niveau %2&#xa0;; ses signets descendent jusqu’au niveau %3</translation>
    </message>
</context>
<context>
    <name>CNewProgressDlg</name>
    <message>
        <source>Progress</source>
        <translation>Progression</translation>
    </message>
    <message>
        <source>&amp;Work in Background</source>
        <translation>&amp;Travailler en arrière-plan</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
</context>
<context>
    <name>CNewSplitSectionSheet</name>
    <message>
        <source>By Bookmarks</source>
        <translation>Par signets</translation>
    </message>
    <message>
        <source>A section at each bookmark of a level, named after it</source>
        <translation>Une section à chaque signet d’un niveau, nommée d’après lui</translation>
    </message>
</context>
<context>
    <name>CSectionBookmarksPage</name>
    <message>
        <source>&amp;Split at bookmarks of level:</source>
        <translation>&amp;Découper aux signets du niveau&#xa0;:</translation>
    </message>
    <message>
        <source>1 bookmark</source>
        <translation>1 signet</translation>
    </message>
    <message>
        <source>%1 bookmarks</source>
        <translation>%1 signets</translation>
    </message>
    <message>
        <source>1 (top level): %1</source>
        <translation>1 (premier niveau)&#xa0;: %1</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1&#xa0;: %2</translation>
    </message>
    <message>
        <source>Sections:</source>
        <translation>Sections&#xa0;:</translation>
    </message>
    <message>
        <source>File name</source>
        <translation>Nom du fichier</translation>
    </message>
    <message>
        <source>Pages</source>
        <translation>Pages</translation>
    </message>
    <message>
        <source>A section starts at each bookmark of this level and at each bookmark above it; the pages before the first bookmark form a section of their own.</source>
        <translation>Une section commence à chaque signet de ce niveau et à chaque signet d’un niveau supérieur&#xa0;; les pages qui précèdent le premier signet forment une section à part.</translation>
    </message>
    <message>
        <source>This document has no bookmarks, so it cannot be split at them.</source>
        <translation>Ce document n’a pas de signets&#xa0;: il ne peut pas être découpé à ses signets.</translation>
    </message>
    <message>
        <source>None of this document&apos;s bookmarks points at one of its pages, so it cannot be split at them.</source>
        <translation>Aucun signet de ce document ne mène à l’une de ses pages&#xa0;: il ne peut pas être découpé à ses signets.</translation>
    </message>
    <message>
        <source>The pages before the first bookmark</source>
        <translation>Les pages qui précèdent le premier signet</translation>
    </message>
</context>
<context>
    <name>CStringDlg</name>
    <message>
        <source>Dialog</source>
        <translation>Boîte de dialogue</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
</context>
<context>
    <name>CUpdateNotifyDlg</name>
    <message>
        <source>&amp;More Information...</source>
        <translation>&amp;Plus d’informations…</translation>
    </message>
    <message>
        <source>Version &lt;version&gt; of &lt;product&gt; is available for download!</source>
        <translation>La version &lt;version&gt; de &lt;product&gt; est disponible au téléchargement&#xa0;!</translation>
    </message>
    <message>
        <source>Here are some of the new features added to this version:</source>
        <translation>Voici quelques-unes des nouveautés de cette version&#xa0;:</translation>
    </message>
    <message>
        <source>A New &lt;product&gt; Update is Available</source>
        <translation>Une mise à jour de &lt;product&gt; est disponible</translation>
    </message>
</context>
<context>
    <name>Menus</name>
    <message>
        <source>Parcelo Online &amp;Help...</source>
        <translation>&amp;Aide en ligne de Parcelo…</translation>
    </message>
    <message>
        <source>Try &amp;Tabulo</source>
        <translation>Essayer &amp;Tabulo</translation>
    </message>
    <message>
        <source>Check for &amp;Updates</source>
        <translation>Rechercher des &amp;mises à jour</translation>
    </message>
    <message>
        <source>&amp;About Parcelo...</source>
        <translation>À &amp;propos de Parcelo…</translation>
    </message>
    <message>
        <source>Close this document</source>
        <translation>Fermer ce document</translation>
    </message>
    <message>
        <source>Create new &amp;split section</source>
        <translation>Créer une nouvelle &amp;section</translation>
    </message>
    <message>
        <source>&amp;Delete this split section</source>
        <translation>&amp;Supprimer cette section</translation>
    </message>
    <message>
        <source>&amp;Remove page from split</source>
        <translation>&amp;Retirer la page de la section</translation>
    </message>
</context>
<context>
    <name>NewSplitSheet</name>
    <message>
        <source>All Pages</source>
        <translation>Toutes les pages</translation>
    </message>
    <message>
        <source>All Remaining</source>
        <translation>Toutes les pages restantes</translation>
    </message>
    <message>
        <source>&amp;Pages included in this section:</source>
        <translation>&amp;Pages de cette section&#xa0;:</translation>
    </message>
    <message>
        <source>Example: 1-7, 18</source>
        <translation>Exemple&#xa0;: 1-7, 18</translation>
    </message>
    <message>
        <source>Add all remaining pages</source>
        <translation>Ajouter toutes les pages restantes</translation>
    </message>
    <message>
        <source>&amp;Create new section every:</source>
        <translation>&amp;Créer une nouvelle section toutes les&#xa0;:</translation>
    </message>
    <message>
        <source>Pages</source>
        <translation>pages</translation>
    </message>
    <message>
        <source>&amp;Page range:</source>
        <translation>&amp;Plage de pages&#xa0;:</translation>
    </message>
    <message>
        <source>&amp;Split into sections no larger than:</source>
        <translation>&amp;Découper en sections d’au plus&#xa0;:</translation>
    </message>
    <message>
        <source>MB</source>
        <translation>Mo</translation>
    </message>
    <message>
        <source>KB</source>
        <translation>Ko</translation>
    </message>
    <message>
        <source>Page Range</source>
        <translation>Plage de pages</translation>
    </message>
    <message>
        <source>Repeating Section</source>
        <translation>Section répétée</translation>
    </message>
    <message>
        <source>By Size</source>
        <translation>Par taille</translation>
    </message>
</context>
<context>
    <name>OutputOptions</name>
    <message>
        <source>Output Options</source>
        <translation>Options de sortie</translation>
    </message>
    <message>
        <source>Require this password for:</source>
        <translation>Exiger ce mot de passe pour&#xa0;:</translation>
    </message>
</context>
<context>
    <name>StringTable</name>
    <message>
        <source>Talvane Parcelo</source>
        <comment>128</comment>
        <translation>Talvane Parcelo</translation>
    </message>
    <message>
        <source>%d pgs</source>
        <comment>200</comment>
        <translation>%d p.</translation>
    </message>
    <message>
        <source>Choose file to split</source>
        <comment>201</comment>
        <translation>Choisir le fichier</translation>
    </message>
    <message>
        <source>You can also drag a file</source>
        <comment>202</comment>
        <translation>ou le glisser ici</translation>
    </message>
    <message>
        <source>from the desktop</source>
        <comment>203</comment>
        <translation>depuis le bureau</translation>
    </message>
    <message>
        <source>Open File</source>
        <comment>204</comment>
        <translation>Ouvrir</translation>
    </message>
    <message>
        <source>New Split Section</source>
        <comment>205</comment>
        <translation>Nouvelle section</translation>
    </message>
    <message>
        <source>Clear All</source>
        <comment>206</comment>
        <translation>Tout effacer</translation>
    </message>
    <message>
        <source>Save Split</source>
        <comment>207</comment>
        <translation>Enregistrer</translation>
    </message>
    <message>
        <source>Save Split (Ctrl+S)
Save split section files</source>
        <comment>208</comment>
        <translation>Enregistrer le découpage (Ctrl+S)
Enregistrer les fichiers des sections</translation>
    </message>
    <message>
        <source>Open File (Ctrl+O)
Open a file to split</source>
        <comment>209</comment>
        <translation>Ouvrir un fichier (Ctrl+O)
Ouvrir le fichier à découper</translation>
    </message>
    <message>
        <source>Create New Split Section (Ctrl+N)
Several types of split available</source>
        <comment>210</comment>
        <translation>Créer une nouvelle section (Ctrl+N)
Plusieurs façons de découper</translation>
    </message>
    <message>
        <source>Clear All (Ctrl+X)
Remove all sections from the split</source>
        <comment>211</comment>
        <translation>Tout effacer (Ctrl+X)
Retirer toutes les sections du découpage</translation>
    </message>
    <message>
        <source>PDF Files (*.pdf)|*.pdf|All Files (*.*)|*.*||</source>
        <comment>212</comment>
        <translation>Fichiers PDF (*.pdf)|*.pdf|Tous les fichiers (*.*)|*.*||</translation>
    </message>
    <message>
        <source>Create a new split section</source>
        <comment>213</comment>
        <translation>Créer une nouvelle section</translation>
    </message>
    <message>
        <source>Click to create a split section</source>
        <comment>214</comment>
        <translation>Cliquez pour créer une section</translation>
    </message>
    <message>
        <source>based on page range, size</source>
        <comment>215</comment>
        <translation>par plages de pages, par taille</translation>
    </message>
    <message>
        <source>or page</source>
        <comment>216</comment>
        <translation>ou par nombre de pages</translation>
    </message>
    <message>
        <source>Loading...</source>
        <comment>217</comment>
        <translation>Chargement…</translation>
    </message>
    <message>
        <source>Enter Password for %s</source>
        <comment>218</comment>
        <translation>Saisissez le mot de passe de %s</translation>
    </message>
    <message>
        <source>Page: %d</source>
        <comment>219</comment>
        <translation>Page&#xa0;: %d</translation>
    </message>
    <message>
        <source>Create new split section</source>
        <comment>220</comment>
        <translation>Créer une nouvelle section</translation>
    </message>
    <message>
        <source>Split %d. Pages:</source>
        <comment>221</comment>
        <translation>Section %d. Pages&#xa0;:</translation>
    </message>
    <message>
        <source>File Name:</source>
        <comment>222</comment>
        <translation>Nom du fichier&#xa0;:</translation>
    </message>
    <message>
        <source>Remove the split section</source>
        <comment>223</comment>
        <translation>Supprimer la section</translation>
    </message>
    <message>
        <source>Display the section contents</source>
        <comment>224</comment>
        <translation>Afficher le contenu de la section</translation>
    </message>
    <message>
        <source>Hide the section contents</source>
        <comment>225</comment>
        <translation>Masquer le contenu de la section</translation>
    </message>
    <message>
        <source>%s-S%d.%s</source>
        <comment>226</comment>
        <translation>%s-S%d.%s</translation>
    </message>
    <message>
        <source>Could not open file &apos;%s&apos; for reading</source>
        <comment>227</comment>
        <translation>Impossible d’ouvrir le fichier «&#xa0;%s&#xa0;» en lecture</translation>
    </message>
    <message>
        <source>Could not open file &apos;%s&apos; for writing</source>
        <comment>228</comment>
        <translation>Impossible d’ouvrir le fichier «&#xa0;%s&#xa0;» en écriture</translation>
    </message>
    <message>
        <source>Error while writing to file &apos;%s&apos;</source>
        <comment>229</comment>
        <translation>Erreur lors de l’écriture du fichier «&#xa0;%s&#xa0;»</translation>
    </message>
    <message>
        <source>Created all files.
Do you wish to open the folder?</source>
        <comment>230</comment>
        <translation>Tous les fichiers ont été créés.
Voulez-vous ouvrir le dossier&#xa0;?</translation>
    </message>
    <message>
        <source>Select folder to save the files to</source>
        <comment>231</comment>
        <translation>Choisissez le dossier où enregistrer les fichiers</translation>
    </message>
    <message>
        <source>Cannot write to file &apos;%s&apos;</source>
        <comment>232</comment>
        <translation>Impossible d’écrire dans le fichier «&#xa0;%s&#xa0;»</translation>
    </message>
    <message>
        <source>&apos;%s&apos; already exists.
Press &apos;Yes&apos; to overwrite all files.
Press &apos;No&apos; to overwrite just this file.
Press &apos;Cancel&apos; to cancel the split operation</source>
        <comment>233</comment>
        <translation>«&#xa0;%s&#xa0;» existe déjà.
Cliquez sur «&#xa0;Oui&#xa0;» pour remplacer tous les fichiers.
Cliquez sur «&#xa0;Non&#xa0;» pour ne remplacer que ce fichier.
Cliquez sur «&#xa0;Annuler&#xa0;» pour annuler le découpage.</translation>
    </message>
    <message>
        <source>Some individual pages of this document are too big to fit into this max size</source>
        <comment>234</comment>
        <translation>Certaines pages de ce document sont trop volumineuses pour tenir dans cette taille maximale</translation>
    </message>
    <message>
        <source>Remove this page from the split section</source>
        <comment>235</comment>
        <translation>Retirer cette page de la section</translation>
    </message>
    <message>
        <source>Parcelo accepts only a single input file</source>
        <comment>236</comment>
        <translation>Parcelo n’accepte qu’un seul fichier à la fois</translation>
    </message>
    <message>
        <source>Parcelo cannot accept folders</source>
        <comment>237</comment>
        <translation>Parcelo n’accepte pas les dossiers</translation>
    </message>
    <message>
        <source>File contains only a single page, thus cannot be split</source>
        <comment>238</comment>
        <translation>Le fichier ne contient qu’une seule page&#xa0;: il ne peut pas être découpé</translation>
    </message>
    <message>
        <source>P.: %d</source>
        <comment>240</comment>
        <translation>P.&#xa0;: %d</translation>
    </message>
    <message>
        <source>There is more than one section with the filename %s</source>
        <comment>241</comment>
        <translation>Plusieurs sections portent le nom de fichier %s</translation>
    </message>
    <message>
        <source>Enter password for copying permission of file %s</source>
        <comment>242</comment>
        <translation>Saisissez le mot de passe autorisant la copie du fichier %s</translation>
    </message>
    <message>
        <source>Version &lt;version&gt;

&lt;user&gt;
&lt;company&gt;</source>
        <comment>244</comment>
        <translation>Version &lt;version&gt;

&lt;user&gt;
&lt;company&gt;</translation>
    </message>
    <message>
        <source>Click to dismiss</source>
        <comment>245</comment>
        <translation>Cliquez pour fermer</translation>
    </message>
    <message>
        <source>&lt;copyright&gt;</source>
        <comment>246</comment>
        <translation>&lt;copyright&gt;</translation>
    </message>
    <message>
        <source>Parcelo</source>
        <comment>247</comment>
        <translation>Parcelo</translation>
    </message>
    <message>
        <source>No updates found</source>
        <comment>249</comment>
        <translation>Aucune mise à jour disponible</translation>
    </message>
    <message>
        <source>The file name &apos;%s&apos; cannot be used: it must be a plain file name inside the chosen folder</source>
        <comment>260</comment>
        <translation>Le nom de fichier «&#xa0;%s&#xa0;» ne peut pas être utilisé&#xa0;: il doit s’agir d’un simple nom de fichier dans le dossier choisi</translation>
    </message>
    <message>
        <source>&apos;%s&apos; is the document being split and cannot be overwritten</source>
        <comment>261</comment>
        <translation>«&#xa0;%s&#xa0;» est le document en cours de découpage et ne peut pas être remplacé</translation>
    </message>
    <message>
        <source>Could not measure the size of the sections: a trial file could not be written</source>
        <comment>262</comment>
        <translation>Impossible de mesurer la taille des sections&#xa0;: un fichier d’essai n’a pas pu être écrit</translation>
    </message>
    <message>
        <source>The file names &apos;%s&apos; and &apos;%s&apos; differ only in letter case: on many drives (USB sticks, network folders) they would be the same file</source>
        <comment>263</comment>
        <translation>Les noms de fichier «&#xa0;%s&#xa0;» et «&#xa0;%s&#xa0;» ne diffèrent que par la casse&#xa0;: sur de nombreux supports (clés USB, dossiers réseau), ce serait le même fichier</translation>
    </message>
    <message>
        <source>The file name &apos;%s&apos; is too long: a file name can hold at most 255 bytes</source>
        <comment>264</comment>
        <translation>Le nom de fichier «&#xa0;%s&#xa0;» est trop long&#xa0;: un nom de fichier ne peut compter que 255 octets au plus</translation>
    </message>
    <message>
        <source>Writing file %d of %d</source>
        <comment>270</comment>
        <translation>Écriture du fichier %d sur %d</translation>
    </message>
    <message>
        <source>Measuring sections: %d of %d pages placed</source>
        <comment>271</comment>
        <translation>Mesure des sections : %d pages placées sur %d</translation>
    </message>
    <message>
        <source>Saving was cancelled: %d of %d files were written</source>
        <comment>272</comment>
        <translation>Enregistrement annulé : %d fichiers écrits sur %d</translation>
    </message>
    <message>
        <source>Opening %s</source>
        <comment>273</comment>
        <translation>Ouverture de %s</translation>
    </message>
    <message>
        <source>The file is damaged or is not a PDF document.</source>
        <comment>290</comment>
        <translation>Le fichier est endommagé ou n’est pas un document PDF.</translation>
    </message>
    <message>
        <source>The file is encrypted in a way that cannot be read.</source>
        <comment>291</comment>
        <translation>Le fichier est chiffré d’une manière qui ne peut pas être lue.</translation>
    </message>
    <message>
        <source>The password is wrong.</source>
        <comment>292</comment>
        <translation>Le mot de passe est incorrect.</translation>
    </message>
    <message>
        <source>The list of its pages is damaged and cannot be followed.</source>
        <comment>293</comment>
        <translation>La liste de ses pages est endommagée et ne peut pas être parcourue.</translation>
    </message>
    <message>
        <source>A repaired copy for viewing could not be written: %s</source>
        <comment>294</comment>
        <translation>Une copie réparée pour l’affichage n’a pas pu être écrite&#xa0;: %s</translation>
    </message>
    <message>
        <source>Error: you must enter a non-empty password</source>
        <comment>580</comment>
        <translation>Erreur&#xa0;: vous devez saisir un mot de passe non vide</translation>
    </message>
    <message>
        <source>Error: you&apos;ve entered a password, but didn&apos;t select any permissions to require that password</source>
        <comment>581</comment>
        <translation>Erreur&#xa0;: vous avez saisi un mot de passe, mais vous n’avez choisi aucune action à protéger par ce mot de passe</translation>
    </message>
    <message>
        <source>Unprotected</source>
        <comment>1800</comment>
        <translation>Non protégé</translation>
    </message>
    <message>
        <source>Protect with password:</source>
        <comment>1801</comment>
        <translation>Protéger par mot de passe&#xa0;:</translation>
    </message>
    <message>
        <source>Viewing</source>
        <comment>1803</comment>
        <translation>Affichage</translation>
    </message>
    <message>
        <source>Printing</source>
        <comment>1804</comment>
        <translation>Impression</translation>
    </message>
    <message>
        <source>Annotation</source>
        <comment>1805</comment>
        <translation>Annotation</translation>
    </message>
    <message>
        <source>Filling Forms</source>
        <comment>1806</comment>
        <translation>Remplissage de formulaires</translation>
    </message>
    <message>
        <source>Copying</source>
        <comment>1807</comment>
        <translation>Copie</translation>
    </message>
    <message>
        <source>Checking for Updates</source>
        <comment>3404</comment>
        <translation>Recherche de mises à jour</translation>
    </message>
    <message>
        <source>Collecting Update Data</source>
        <comment>3405</comment>
        <translation>Collecte des informations de mise à jour</translation>
    </message>
    <message>
        <source>Retrieving Results</source>
        <comment>3406</comment>
        <translation>Récupération des résultats</translation>
    </message>
    <message>
        <source>Initializing Download</source>
        <comment>3407</comment>
        <translation>Préparation du téléchargement</translation>
    </message>
    <message>
        <source>Connecting</source>
        <comment>3408</comment>
        <translation>Connexion</translation>
    </message>
    <message>
        <source>Downloading Update</source>
        <comment>3409</comment>
        <translation>Téléchargement de la mise à jour</translation>
    </message>
    <message>
        <source>Downloading Update
%uKb of %uKb</source>
        <comment>3410</comment>
        <translation>Téléchargement de la mise à jour
%u&#xa0;Ko sur %u&#xa0;Ko</translation>
    </message>
    <message>
        <source>&amp;Purchase Update</source>
        <comment>3411</comment>
        <translation>&amp;Acheter la mise à jour</translation>
    </message>
    <message>
        <source>&amp;Download</source>
        <comment>3412</comment>
        <translation>&amp;Télécharger</translation>
    </message>
    <message>
        <source>Close</source>
        <comment>3413</comment>
        <translation>Fermer</translation>
    </message>
    <message>
        <source>Ignore</source>
        <comment>3414</comment>
        <translation>Ignorer</translation>
    </message>
</context>
<context>
    <name>WindowCommandLine</name>
    <message>
        <source>Parcelo cuts one PDF document into several: open a document, define split sections
and save every section as its own PDF file.</source>
        <translation>Parcelo découpe un document PDF en plusieurs&#xa0;: ouvrez un document, définissez des sections
et enregistrez chaque section dans son propre fichier PDF.</translation>
    </message>
    <message>
        <source>The PDF document to open.</source>
        <translation>Le document PDF à ouvrir.</translation>
    </message>
    <message>
        <source>Parcelo opens one document at a time, but %1 were given.</source>
        <translation>Parcelo ouvre un seul document à la fois, mais %1 ont été donnés.</translation>
    </message>
    <message>
        <source>The document&apos;s name is empty.</source>
        <translation>Le nom du document est vide.</translation>
    </message>
    <message>
        <source>Try &apos;parcelo --help&apos; for more information.</source>
        <translation>Essayez «&#xa0;parcelo --help&#xa0;» pour plus d’informations.</translation>
    </message>
    <message>
        <source>Show this help and exit.</source>
        <translation>Afficher cette aide et quitter.</translation>
    </message>
    <message>
        <source>Show the version and exit.</source>
        <translation>Afficher la version et quitter.</translation>
    </message>
</context>
</TS>
