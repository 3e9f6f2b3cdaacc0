#include "imaging/core/base/vqwords.h"

#include <cstdlib>

namespace {

std::string wordTable[kMsgLanguageCount][kWordCount];

// clang-format off
const char* const kEnglish[kWordCount] = {
  /*   0 */ "Preview", "Original", "Result", "OK", "Cancel", "Lock preview", "Copy Result to Original", "Contrast", "Brightness", "Hue",
  /*  10 */ "Saturation", "Value", "Base color", "New color", "Luminosity", "Red", "Green", "Blue", "Filter values", "Presets",
  /*  20 */ "Divisor", "Load", "Save", "Equalization", "Threshold", "Equalize", "Histogram", "Gray", "Light", "Left",
  /*  30 */ "Top", "Width", "Height", "Color", "Original image quantity", "Lens", "Refraction", "Parameters Preview", "Quality", "DCT method",
  /*  40 */ "Smoothing factor", "Gray scale", "Optimal Huffman", "Original size", "Compressed size", "Advanced", "Progressive", "Compression", "Image index", "Photometric",
  /*  50 */ "Scanned document info", "Name", "Description", "Page name", "Page number", "of", "Horiz. Position (inch)", "Vert. Position (inch)", "Colors", "Transparent",
  /*  60 */ "Transparent color", "Interlaced", "Background", "Horiz. Position", "Vert. Position", "Delay time", "Filter", "Wave", "Amplitude", "Wave length",
  /*  70 */ "Phase", "Reflective", "User filter", "Morphing filters", "Window size", "Maximum", "Minimum", "Opening", "Closing", "Rotate",
  /*  80 */ "Flip", "Horizontal", "Vertical", "Frequency domain image", "Select the region to clean", "Clear", "Reset", "Animate", "Load filter", "Save filter",
  /*  90 */ "Bump map", "Print", "Margins", "inches", "Right", "Bottom", "Position", "Size", "Normal", "Fit to page",
  /* 100 */ "Stretch to page", "Specified size", "Gamma correction", "Value", "Print Setup", "Left Margin", "Top Margin", "Right Margin", "Bottom Margin", "Location/size",
  /* 110 */ "Top Left", "Top Center", "Top Right", "Center Left", "Center", "Center Right", "Bottom Left", "Bottom Center", "Bottom Right", "Close",
  /* 120 */ "Apply", "Measure Units", "Units", "Rate", "All graphics", "Video for Windows", "File", "Mem", "Automatically updates your preview with the changes you have selected", "Print All",
  /* 130 */ "Print Selected",
};

const char* const kItalian[kWordCount] = {
  /*   0 */ "Anteprima", "Originale", "Risultato", "OK", "Annulla", "Blocca anteprima", "Copia risultato nell'originale", "Contrasto", "Luminosità", "Tonalità",
  /*  10 */ "Saturazione", "Valore", "Colore base", "Nuovo colore", "Luminanza", "Rosso", "Verde", "Blu", "Valori filtro", "Predefiniti",
  /*  20 */ "Divisore", "Carica", "Salva", "Equalizzazione", "Soglia", "Equalizza", "Istogramma", "Grigio", "Luce", "Sinistra",
  /*  30 */ "Alto", "Larghezza", "Altezza", "Colore", "Quantità immagine originale", "Lente", "Rifrazione", "Anteprima parametri", "Qualità", "Metodo DCT",
  /*  40 */ "Fattore di smussatura", "Scala di grigi", "Huffman ottimale", "Dimensione originale", "Dimensione compressa", "Avanzate", "Progressivo", "Compressione", "Indice immagine", "Fotometria",
  /*  50 */ "Informazioni documento acquisito", "Nome", "Descrizione", "Nome pagina", "Numero pagina", "di", "Posizione orizz. (pollici)", "Posizione vert. (pollici)", "Colori", "Trasparente",
  /*  60 */ "Colore trasparente", "Interlacciato", "Sfondo", "Posizione orizz.", "Posizione vert.", "Tempo di ritardo", "Filtro", "Onda", "Ampiezza", "Lunghezza d'onda",
  /*  70 */ "Fase", "Riflettente", "Filtro utente", "Filtri morfologici", "Dimensione finestra", "Massimo", "Minimo", "Apertura", "Chiusura", "Ruota",
  /*  80 */ "Capovolgi", "Orizzontale", "Verticale", "Immagine nel dominio della frequenza", "Seleziona la regione da pulire", "Cancella", "Ripristina", "Animazione", "Carica filtro", "Salva filtro",
  /*  90 */ "Mappa di rilievo", "Stampa", "Margini", "pollici", "Destra", "Basso", "Posizione", "Dimensione", "Normale", "Adatta alla pagina",
  /* 100 */ "Estendi alla pagina", "Dimensione specificata", "Correzione gamma", "Valore", "Impostazioni di stampa", "Margine sinistro", "Margine superiore", "Margine destro", "Margine inferiore", "Posizione/dimensione",
  /* 110 */ "In alto a sinistra", "In alto al centro", "In alto a destra", "Al centro a sinistra", "Centro", "Al centro a destra", "In basso a sinistra", "In basso al centro", "In basso a destra", "Chiudi",
  /* 120 */ "Applica", "Unità di misura", "Unità", "Qualità", "Tutti", "Video for Windows", "File", "Mem", "Aggiorna automaticamente l'anteprima", "Stampa tutto",
  /* 130 */ "Stampa selezione",
};

const char* const kGerman[kWordCount] = {
  /*   0 */ "Vorschau", "Original", "Ergebnis", "OK", "Abbrechen", "Vorschau sperren", "Ergebnis ins Original kopieren", "Kontrast", "Helligkeit", "Farbton",
  /*  10 */ "Sättigung", "Wert", "Grundfarbe", "Neue Farbe", "Luminanz", "Rot", "Grün", "Blau", "Filterwerte", "Vorgaben",
  /*  20 */ "Teiler", "Laden", "Speichern", "Ausgleich", "Schwellenwert", "Ausgleichen", "Histogramm", "Grau", "Licht", "Links",
  /*  30 */ "Oben", "Breite", "Höhe", "Farbe", "Anteil des Originalbildes", "Linse", "Brechung", "Parametervorschau", "Qualität", "DCT-Methode",
  /*  40 */ "Glättungsfaktor", "Graustufen", "Optimales Huffman", "Originalgröße", "Komprimierte Größe", "Optionen", "Progressiv", "Kompression", "Bildindex", "Photometrie",
  /*  50 */ "Info zum gescannten Dokument", "Name", "Beschreibung", "Seitenname", "Seitennummer", "von", "Horiz. Position (Zoll)", "Vert. Position (Zoll)", "Farben", "Transparent",
  /*  60 */ "Transparente Farbe", "Interlaced", "Hintergrund", "Horiz. Position", "Vert. Position", "Verzögerung", "Filter", "Welle", "Amplitude", "Wellenlänge",
  /*  70 */ "Phase", "Spiegelnd", "Benutzerfilter", "Morphologische Filter", "Fenstergröße", "Maximum", "Minimum", "Öffnung", "Schließung", "Drehen",
  /*  80 */ "Spiegeln", "Horizontal", "Vertikal", "Bild im Frequenzbereich", "Zu bereinigenden Bereich wählen", "Löschen", "Zurücksetzen", "Abspielen", "Filter laden", "Filter speichern",
  /*  90 */ "Bump-Map", "Drucken", "Ränder", "Zoll", "Rechts", "Unten", "Position", "Größe", "Normal", "An Seite anpassen",
  /* 100 */ "Auf Seite strecken", "Angegebene Größe", "Gammakorrektur", "Wert", "Druckeinrichtung", "Linker Rand", "Oberer Rand", "Rechter Rand", "Unterer Rand", "Lage/Größe",
  /* 110 */ "Oben links", "Oben Mitte", "Oben rechts", "Mitte links", "Mitte", "Mitte rechts", "Unten links", "Unten Mitte", "Unten rechts", "Schließen",
  /* 120 */ "Anwenden", "Maßeinheiten", "Einheiten", "Rate", "Alle Bilddateien", "Video für Windows", "Datei", "Ram", "Vorschau einfrieren", "Alle drucken",
  /* 130 */ "Auswahl drucken",
};

const char* const kSpanish[kWordCount] = {
  /*   0 */ "Vista Previa", "Original", "Resultado", "Aceptar", "Cancelar", "Bloquear vista previa", "Copiar resultado al original", "Contraste", "Brillo", "Tono",
  /*  10 */ "Saturación", "Valor", "Color base", "Color nuevo", "Luminosidad", "Rojo", "Verde", "Azul", "Valores del filtro", "Predefinidos",
  /*  20 */ "Divisor", "Cargar", "Guardar", "Ecualización", "Umbral", "Ecualizar", "Histograma", "Gris", "Luz", "Izquierda",
  /*  30 */ "Arriba", "Ancho", "Alto", "Color", "Cantidad de imagen original", "Lente", "Refracción", "Vista previa de parámetros", "Calidad", "Método DCT",
  /*  40 */ "Factor de suavizado", "Escala de grises", "Huffman óptimo", "Tamaño original", "Tamaño comprimido", "Avanzados", "Progresivo", "Compresión", "Índice de imagen", "Fotométrico",
  /*  50 */ "Información del documento escaneado", "Nombre", "Descripción", "Nombre de página", "Número de página", "de", "Posición horiz. (pulgadas)", "Posición vert. (pulgadas)", "Colores", "Transparente",
  /*  60 */ "Color transparente", "Entrelazado", "Fondo", "Posición horiz.", "Posición vert.", "Tiempo de retardo", "Filtro", "Onda", "Amplitud", "Longitud de onda",
  /*  70 */ "Fase", "Reflectante", "Filtro de usuario", "Filtros morfológicos", "Tamaño de ventana", "Máximo", "Mínimo", "Apertura", "Cierre", "Girar",
  /*  80 */ "Voltear", "Horizontal", "Vertical", "Imagen en el dominio de la frecuencia", "Seleccione la región a limpiar", "Borrar", "Restablecer", "Animado", "Cargar filtro", "Guardar filtro",
  /*  90 */ "Mapa de relieve", "Imprimir", "Márgenes", "pulgadas", "Derecha", "Abajo", "Posición", "Tamaño", "Normal", "Ajustar a la página",
  /* 100 */ "Estirar a la página", "Tamaño especificado", "Corrección gamma", "Valor", "Configurar impresión", "Margen izquierdo", "Margen superior", "Margen derecho", "Margen inferior", "Ubicación/tamaño",
  /* 110 */ "Arriba a la izquierda", "Arriba al centro", "Arriba a la derecha", "Centro a la izquierda", "Centro", "Centro a la derecha", "Abajo a la izquierda", "Abajo al centro", "Abajo a la derecha", "Cerrar",
  /* 120 */ "Aplicar", "Unidades de medida", "Unidades", "Rate", "All graphics", "Video for Windows", "File", "Mem", "Bloquear Vista Previa", "Imprimir todo",
  /* 130 */ "Imprimir selección",
};

const char* const kFrench[kWordCount] = {
  /*   0 */ "Prévisualisation", "Original", "Résultat", "Ok", "Annuler", "Verrouiller la prévisualisation", "Copier le résultat dans l'original", "Contraste", "Luminosité", "Teinte",
  /*  10 */ "Saturation", "Valeur", "Couleur de base", "Nouvelle couleur", "Luminance", "Rouge", "Vert", "Bleu", "Valeurs du filtre", "Préréglages",
  /*  20 */ "Diviseur", "Charger", "Enregistrer", "Égalisation", "Seuil", "Égaliser", "Histogramme", "Gris", "Lumière", "Gauche",
  /*  30 */ "Haut", "Largeur", "Hauteur", "Couleur", "Quantité d'image originale", "Lentille", "Réfraction", "Aperçu des paramètres", "Qualité", "Méthode DCT",
  /*  40 */ "Facteur de lissage", "Niveaux de gris", "Huffman optimal", "Taille originale", "Taille compressée", "Avancé", "Progressif", "Compression", "Index de l'image", "Photométrie",
  /*  50 */ "Infos du document numérisé", "Nom", "Description", "Nom de la page", "Numéro de page", "de", "Position horiz. (pouces)", "Position vert. (pouces)", "Couleurs", "Transparent",
  /*  60 */ "Couleur transparente", "Entrelacé", "Arrière-plan", "Position horiz.", "Position vert.", "Délai", "Filtre", "Onde", "Amplitude", "Longueur d'onde",
  /*  70 */ "Phase", "Réfléchissant", "Filtre utilisateur", "Filtres morphologiques", "Taille de la fenêtre", "Maximum", "Minimum", "Ouverture", "Fermeture", "Rotation",
  /*  80 */ "Retourner", "Horizontal", "Vertical", "Image dans le domaine fréquentiel", "Sélectionnez la zone à nettoyer", "Effacer", "Réinitialiser", "Animé", "Charger un filtre", "Enregistrer le filtre",
  /*  90 */ "Carte de relief", "Imprimer", "Marges", "pouces", "Droite", "Bas", "Position", "Taille", "Normale", "Ajuster à la page",
  /* 100 */ "Étirer sur la page", "Taille spécifiée", "Correction gamma", "Valeur", "Configuration de l'impression", "Marge gauche", "Marge supérieure", "Marge droite", "Marge inférieure", "Emplacement/taille",
  /* 110 */ "En haut à gauche", "En haut au centre", "En haut à droite", "Au centre à gauche", "Centre", "Au centre à droite", "En bas à gauche", "En bas au centre", "En bas à droite", "Fermer",
  /* 120 */ "Appliquer", "Unités de mesure", "Unités", "Rate", "All graphics", "Video for Windows", "File", "Mem", "Bloquer la prévisualisation", "Imprimer tout",
  /* 130 */ "Imprimer la sélection",
};

const char* const kPortuguese[kWordCount] = {
  /*   0 */ "Visualizar", "Original", "Resultado", "OK", "Cancelar", "Bloquear visualização", "Copiar resultado para o original", "Contraste", "Brilho", "Matiz",
  /*  10 */ "Saturação", "Valor", "Cor base", "Nova cor", "Luminosidade", "Vermelho", "Verde", "Azul", "Valores do filtro", "Predefinições",
  /*  20 */ "Divisor", "Carregar", "Salvar", "Equalização", "Limiar", "Equalizar", "Histograma", "Cinza", "Luz", "Esquerda",
  /*  30 */ "Topo", "Largura", "Altura", "Cor", "Quantidade da imagem original", "Lente", "Refração", "Visualizar parâmetros", "Qualidade", "Método DCT",
  /*  40 */ "Fator de suavização", "Escala de cinza", "Huffman otimizado", "Tamanho original", "Tamanho comprimido", "Avançados", "Progressivo", "Compressão", "Índice da imagem", "Fotométrico",
  /*  50 */ "Informações do documento digitalizado", "Nome", "Descrição", "Nome da página", "Número da página", "de", "Posição horiz. (polegadas)", "Posição vert. (polegadas)", "Cores", "Transparente",
  /*  60 */ "Cor transparente", "Entrelaçado", "Fundo", "Posição horiz.", "Posição vert.", "Tempo de espera", "Filtro", "Onda", "Amplitude", "Comprimento de onda",
  /*  70 */ "Fase", "Reflexivo", "Filtro do usuário", "Filtros morfológicos", "Tamanho da janela", "Máximo", "Mínimo", "Abertura", "Fechamento", "Girar",
  /*  80 */ "Inverter", "Horizontal", "Vertical", "Imagem no domínio da frequência", "Selecione a região a limpar", "Limpar", "Redefinir", "Animate", "Carregar filtro", "Salvar filtro",
  /*  90 */ "Mapa de relevo", "Imprimir", "Margens", "polegadas", "Direita", "Base", "Posição", "Tamanho", "Normal", "Ajustar à página",
  /* 100 */ "Esticar na página", "Tamanho especificado", "Correção gama", "Valor", "Configurar impressão", "Margem esquerda", "Margem superior", "Margem direita", "Margem inferior", "Local/tamanho",
  /* 110 */ "Superior esquerdo", "Superior central", "Superior direito", "Centro esquerdo", "Centro", "Centro direito", "Inferior esquerdo", "Inferior central", "Inferior direito", "Fechar",
  /* 120 */ "Aplicar", "Unidades de medida", "Unidades", "Rate", "All graphics", "Video for Windows", "File", "Mem", "Bloquear Visualização", "Imprimir tudo",
  /* 130 */ "Imprimir seleção",
};

const char* const kGreek[kWordCount] = {
  /*   0 */ "Προεπισκόπηση", "Πρωτότυπο", "Αποτέλεσμα", "ΟΚ", "Άκυρο", "Κλείδωμα προεπισκόπησης", "Αντιγραφή αποτελέσματος στο πρωτότυπο", "Αντίθεση", "Φωτεινότητα", "Απόχρωση",
  /*  10 */ "Κορεσμός", "Τιμή", "Βασικό χρώμα", "Νέο χρώμα", "Λαμπρότητα", "Κόκκινο", "Πράσινο", "Μπλε", "Τιμές φίλτρου", "Προεπιλογές",
  /*  20 */ "Διαιρέτης", "Φόρτωση", "Αποθήκευση", "Εξισορρόπηση", "Κατώφλι", "Εξισορρόπησε", "Ιστόγραμμα", "Γκρι", "Φως", "Αριστερά",
  /*  30 */ "Πάνω", "Πλάτος", "Ύψος", "Χρώμα", "Ποσότητα αρχικής εικόνας", "Φακός", "Διάθλαση", "Προεπισκόπηση παραμέτρων", "Ποιότητα", "Μέθοδος DCT",
  /*  40 */ "Συντελεστής εξομάλυνσης", "Κλίμακα του γκρι", "Βέλτιστο Huffman", "Αρχικό μέγεθος", "Συμπιεσμένο μέγεθος", "Προχωρημένα", "Προοδευτικό", "Συμπίεση", "Δείκτης εικόνας", "Φωτομετρία",
  /*  50 */ "Πληροφορίες σαρωμένου εγγράφου", "Όνομα", "Περιγραφή", "Όνομα σελίδας", "Αριθμός σελίδας", "από", "Οριζ. θέση (ίντσες)", "Κατακ. θέση (ίντσες)", "Χρώματα", "Διαφανές",
  /*  60 */ "Διαφανές χρώμα", "Πεπλεγμένο", "Φόντο", "Οριζ. θέση", "Κατακ. θέση", "Χρόνος καθυστέρησης", "Φίλτρο", "Κύμα", "Εύρος", "Μήκος κύματος",
  /*  70 */ "Φάση", "Ανακλαστικό", "Φίλτρο χρήστη", "Μορφολογικά φίλτρα", "Μέγεθος παραθύρου", "Μέγιστο", "Ελάχιστο", "Άνοιγμα", "Κλείσιμο", "Περιστροφή",
  /*  80 */ "Αναστροφή", "Οριζόντια", "Κατακόρυφα", "Εικόνα στο πεδίο συχνοτήτων", "Επιλέξτε την περιοχή για καθαρισμό", "Καθαρισμός", "Επαναφορά", "Animate", "Φόρτωση φίλτρου", "Αποθήκευση φίλτρου",
  /*  90 */ "Χάρτης ανάγλυφου", "Εκτύπωση", "Περιθώρια", "ίντσες", "Δεξιά", "Κάτω", "Θέση", "Μέγεθος", "Κανονικό", "Προσαρμογή στη σελίδα",
  /* 100 */ "Επέκταση στη σελίδα", "Καθορισμένο μέγεθος", "Διόρθωση γάμμα", "Τιμή", "Ρύθμιση εκτύπωσης", "Αριστερό περιθώριο", "Άνω περιθώριο", "Δεξί περιθώριο", "Κάτω περιθώριο", "Θέση/μέγεθος",
  /* 110 */ "Πάνω αριστερά", "Πάνω στο κέντρο", "Πάνω δεξιά", "Κέντρο αριστερά", "Κέντρο", "Κέντρο δεξιά", "Κάτω αριστερά", "Κάτω στο κέντρο", "Κάτω δεξιά", "Κλείσιμο",
  /* 120 */ "Apply", "Μονάδες μέτρησης", "Μονάδες", "Rate", "All graphics", "Video for Windows", "File", "Mem", "Κλείδωμα προεπισκόπησης", "Εκτύπωση όλων",
  /* 130 */ "Εκτύπωση επιλεγμένων",
};

const char* const kRussian[kWordCount] = {
  /*   0 */ "Просмотр", "Оригинал", "Результат", "OK", "Отмена", "Заблокировать просмотр", "Копировать результат в оригинал", "Контраст", "Яркость", "Оттенок",
  /*  10 */ "Насыщенность", "Значение", "Основной цвет", "Новый цвет", "Светимость", "Красный", "Зелёный", "Синий", "Значения фильтра", "Предустановки",
  /*  20 */ "Делитель", "Загрузить", "Сохранить", "Выравнивание", "Порог", "Выровнять", "Гистограмма", "Серый", "Свет", "Слева",
  /*  30 */ "Сверху", "Ширина", "Высота", "Цвет", "Доля исходного изображения", "Линза", "Преломление", "Просмотр параметров", "Качество", "Метод DCT",
  /*  40 */ "Коэффициент сглаживания", "Оттенки серого", "Оптимальный Хаффман", "Исходный размер", "Сжатый размер", "Опции", "Прогрессивный", "Сжатие", "Номер изображения", "Фотометрия",
  /*  50 */ "Сведения о сканированном документе", "Имя", "Описание", "Имя страницы", "Номер страницы", "из", "Гориз. позиция (дюймы)", "Верт. позиция (дюймы)", "Цвета", "Прозрачный",
  /*  60 */ "Прозрачный цвет", "Чересстрочный", "Фон", "Гориз. позиция", "Верт. позиция", "Задержка", "Фильтр", "Волна", "Амплитуда", "Длина волны",
  /*  70 */ "Фаза", "Отражение", "Пользовательский фильтр", "Морфологические фильтры", "Размер окна", "Максимум", "Минимум", "Размыкание", "Замыкание", "Повернуть",
  /*  80 */ "Отразить", "По горизонтали", "По вертикали", "Изображение в частотной области", "Выберите область для очистки", "Очистить", "Сброс", "Анимация", "Загрузить фильтр", "Сохранить фильтр",
  /*  90 */ "Карта рельефа", "Печать", "Поля", "дюймы", "Справа", "Снизу", "Положение", "Размер", "Обычный", "По размеру страницы",
  /* 100 */ "Растянуть на страницу", "Заданный размер", "Гамма-коррекция", "Значение", "Настройка печати", "Левое поле", "Верхнее поле", "Правое поле", "Нижнее поле", "Положение/размер",
  /* 110 */ "Вверху слева", "Вверху по центру", "Вверху справа", "В центре слева", "В центре", "В центре справа", "Внизу слева", "Внизу по центру", "Внизу справа", "Закрыть",
  /* 120 */ "Применить", "Единицы измерения", "Единицы", "Степень", "Вся графика", "Видео для Windows", "Файл", "Mem", "Блокировать", "Печатать все",
  /* 130 */ "Печатать выделенное",
};

const char* const kDutch[kWordCount] = {
  /*   0 */ "Voorbeeld", "Origineel", "Resultaat", "OK", "Annuleren", "Voorbeeld vergrendelen", "Resultaat naar origineel kopiëren", "Contrast", "Helderheid", "Tint",
  /*  10 */ "Verzadiging", "Waarde", "Basiskleur", "Nieuwe kleur", "Luminantie", "Rood", "Groen", "Blauw", "Filterwaarden", "Voorinstellingen",
  /*  20 */ "Deler", "Laden", "Opslaan", "Egalisatie", "Drempel", "Egaliseren", "Histogram", "Grijs", "Licht", "Links",
  /*  30 */ "Boven", "Breedte", "Hoogte", "Kleur", "Aandeel originele afbeelding", "Lens", "Breking", "Voorbeeld parameters", "Kwaliteit", "DCT-methode",
  /*  40 */ "Afvlakfactor", "Grijswaarden", "Optimale Huffman", "Oorspronkelijke grootte", "Gecomprimeerde grootte", "Geavanceerd", "Progressief", "Compressie", "Afbeeldingsindex", "Fotometrie",
  /*  50 */ "Info gescand document", "Naam", "Beschrijving", "Paginanaam", "Paginanummer", "van", "Horiz. positie (inch)", "Vert. positie (inch)", "Kleuren", "Transparant",
  /*  60 */ "Transparante kleur", "Interlaced", "Achtergrond", "Horiz. positie", "Vert. positie", "Vertraging", "Filter", "Golf", "Amplitude", "Golflengte",
  /*  70 */ "Fase", "Reflecterend", "Gebruikersfilter", "Morfologische filters", "Venstergrootte", "Maximum", "Minimum", "Opening", "Sluiting", "Draaien",
  /*  80 */ "Spiegelen", "Horizontaal", "Verticaal", "Afbeelding in frequentiedomein", "Selecteer het te reinigen gebied", "Wissen", "Herstellen", "Animeren", "Filter laden", "Filter opslaan",
  /*  90 */ "Reliëfkaart", "Afdrukken", "Marges", "inch", "Rechts", "Onder", "Positie", "Grootte", "Normaal", "Passend op pagina",
  /* 100 */ "Uitrekken tot pagina", "Opgegeven grootte", "Gammacorrectie", "Waarde", "Afdrukinstellingen", "Linkermarge", "Bovenmarge", "Rechtermarge", "Ondermarge", "Plaats/grootte",
  /* 110 */ "Linksboven", "Midden boven", "Rechtsboven", "Midden links", "Midden", "Midden rechts", "Linksonder", "Midden onder", "Rechtsonder", "Sluiten",
  /* 120 */ "Toepassen", "Maateenheden", "Eenheden", "Rate", "All graphics", "Video for Windows", "File", "Mem", "Voorbeeld op slot", "Alles afdrukken",
  /* 130 */ "Selectie afdrukken",
};

const char* const kSwedish[kWordCount] = {
  /*   0 */ "Granska", "Original", "Resultat", "OK", "Avbryt", "Lås granskning", "Kopiera resultat till original", "Kontrast", "Ljusstyrka", "Nyans",
  /*  10 */ "Mättnad", "Värde", "Grundfärg", "Ny färg", "Luminans", "Röd", "Grön", "Blå", "Filtervärden", "Förinställningar",
  /*  20 */ "Divisor", "Läs in", "Spara", "Utjämning", "Tröskel", "Utjämna", "Histogram", "Grå", "Ljus", "Vänster",
  /*  30 */ "Överkant", "Bredd", "Höjd", "Färg", "Andel av originalbilden", "Lins", "Brytning", "Granska parametrar", "Kvalitet", "DCT-metod",
  /*  40 */ "Utjämningsfaktor", "Gråskala", "Optimal Huffman", "Originalstorlek", "Komprimerad storlek", "Avancerat", "Progressiv", "Komprimering", "Bildindex", "Fotometri",
  /*  50 */ "Info om skannat dokument", "Namn", "Beskrivning", "Sidnamn", "Sidnummer", "av", "Horis. position (tum)", "Vert. position (tum)", "Färger", "Genomskinlig",
  /*  60 */ "Genomskinlig färg", "Sammanflätad", "Bakgrund", "Horis. position", "Vert. position", "Fördröjning", "Filter", "Våg", "Amplitud", "Våglängd",
  /*  70 */ "Fas", "Reflekterande", "Användarfilter", "Morfologiska filter", "Fönsterstorlek", "Maximum", "Minimum", "Öppning", "Slutning", "Rotera",
  /*  80 */ "Vänd", "Horisontell", "Vertikal", "Bild i frekvensdomänen", "Markera området som ska rensas", "Rensa", "Återställ", "Animation", "Läs in filter", "Spara filter",
  /*  90 */ "Reliefkarta", "Skriv ut", "Marginaler", "tum", "Höger", "Nederkant", "Position", "Storlek", "Normal", "Anpassa till sidan",
  /* 100 */ "Sträck ut till sidan", "Angiven storlek", "Gammakorrigering", "Värde", "Utskriftsformat", "Vänstermarginal", "Övre marginal", "Högermarginal", "Nedre marginal", "Placering/storlek",
  /* 110 */ "Uppe till vänster", "Uppe i mitten", "Uppe till höger", "Mitten till vänster", "Mitten", "Mitten till höger", "Nere till vänster", "Nere i mitten", "Nere till höger", "Stäng",
  /* 120 */ "Applicera", "Måttenheter", "Enheter", "Proportion", "All graphics", "Video for Windows", "File", "Mem", "Lås granskning", "Skriv ut alla",
  /* 130 */ "Skriv ut markerade",
};

// Word 123 has no Polish text: the cell stays empty and reads as English.
const char* const kPolish[kWordCount] = {
  /*   0 */ "Podgląd", "Oryginał", "Wynik", "OK", "Anuluj", "Zablokuj podgląd", "Kopiuj wynik do oryginału", "Kontrast", "Jasność", "Odcień",
  /*  10 */ "Nasycenie", "Wartość", "Kolor bazowy", "Nowy kolor", "Luminancja", "Czerwony", "Zielony", "Niebieski", "Wartości filtru", "Ustawienia wstępne",
  /*  20 */ "Dzielnik", "Wczytaj", "Zapisz", "Wyrównanie", "Próg", "Wyrównaj", "Histogram", "Szary", "Światło", "Lewo",
  /*  30 */ "Góra", "Szerokość", "Wysokość", "Kolor", "Udział oryginalnego obrazu", "Soczewka", "Załamanie", "Podgląd parametrów", "Jakość", "Metoda DCT",
  /*  40 */ "Współczynnik wygładzania", "Skala szarości", "Optymalny Huffman", "Rozmiar oryginalny", "Rozmiar po kompresji", "Zaawansowany", "Progresywny", "Kompresja", "Indeks obrazu", "Fotometria",
  /*  50 */ "Informacje o zeskanowanym dokumencie", "Nazwa", "Opis", "Nazwa strony", "Numer strony", "z", "Poz. pozioma (cale)", "Poz. pionowa (cale)", "Kolory", "Przezroczysty",
  /*  60 */ "Kolor przezroczysty", "Z przeplotem", "Tło", "Poz. pozioma", "Poz. pionowa", "Opóźnienie", "Filtr", "Fala", "Amplituda", "Długość fali",
  /*  70 */ "Faza", "Odbijający", "Filtr użytkownika", "Filtry morfologiczne", "Rozmiar okna", "Maksimum", "Minimum", "Otwarcie", "Zamknięcie", "Obróć",
  /*  80 */ "Odbij", "Poziomo", "Pionowo", "Obraz w dziedzinie częstotliwości", "Zaznacz obszar do oczyszczenia", "Wyczyść", "Resetuj", "Animuj", "Wczytaj filtr", "Zapisz filtr",
  /*  90 */ "Mapa wypukłości", "Drukuj", "Marginesy", "cale", "Prawo", "Dół", "Położenie", "Rozmiar", "Normalny", "Dopasuj do strony",
  /* 100 */ "Rozciągnij na stronę", "Określony rozmiar", "Korekcja gamma", "Wartość", "Ustawienia wydruku", "Lewy margines", "Górny margines", "Prawy margines", "Dolny margines", "Położenie/rozmiar",
  /* 110 */ "Lewy górny", "Środkowy górny", "Prawy górny", "Lewy środkowy", "Środek", "Prawy środkowy", "Lewy dolny", "Środkowy dolny", "Prawy dolny", "Zamknij",
  /* 120 */ "Zastosuj", "Jednostki miary", "Jednostki", nullptr, "All graphics", "Video for Windows", "File", "Mem", "Zablokuj podgląd", "Drukuj wszystko",
  /* 130 */ "Drukuj zaznaczone",
};
// clang-format on

const char* const* const kRows[] = {kEnglish, kItalian, kGerman, kSpanish, kFrench, kPortuguese,
                                    kGreek,   kRussian, kDutch,  kSwedish, kPolish};

std::uint32_t ReadSystemLocaleId() {
  for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(var);
    if (value && *value) return LocaleIdFromName(value);
  }
  return 0;
}

}  // namespace

std::uint32_t SystemLocaleId = ReadSystemLocaleId();

std::uint32_t LocaleIdFromName(std::string_view name) {
  struct Lang {
    const char* Code;
    std::uint32_t Id;
  };
  // Primary language and default sub-language, as Windows numbers them.
  static const Lang kLangs[] = {
      {"zh", 0x0804}, {"de", 0x0407}, {"el", 0x0408}, {"en", 0x0409}, {"es", 0x040A}, {"fr", 0x040C},
      {"it", 0x0410}, {"ja", 0x0411}, {"ko", 0x0412}, {"nl", 0x0413}, {"pl", 0x0415}, {"pt", 0x0416},
      {"ru", 0x0419}, {"sv", 0x041D}, {"cs", 0x0405}, {"da", 0x0406}, {"fi", 0x040B}, {"hu", 0x040E},
      {"nb", 0x0414}, {"no", 0x0414}, {"tr", 0x041F}, {"ar", 0x0401}, {"he", 0x040D},
  };
  const std::string_view code = name.substr(0, name.find_first_of("_.@"));
  for (const Lang& l : kLangs)
    if (code == l.Code) return l.Id;
  return 0;
}

TMsgLanguage LanguageOfLocale(std::uint32_t localeId) {
  const std::uint32_t primary = (localeId & 0xFFFF) == 0 ? 9 : localeId & 0x3FF;
  switch (primary) {
    case 7: return msGerman;
    case 8: return msGreek;
    case 10: return msSpanish;
    case 12: return msFrench;
    case 16: return msItalian;
    case 19: return msDutch;
    case 21: return msPolish;
    case 22: return msPortuguese;
    case 25: return msRussian;
    case 29: return msSwedish;
    default: return msEnglish;
  }
}

void SetWord(TMsgLanguage language, Byte id, const std::string& text) {
  if (language >= kMsgLanguageCount || id >= kWordCount) return;
  wordTable[language][id] = text;
}

std::string GetWord(Byte id, TMsgLanguage language) {
  if (language >= kMsgLanguageCount || id >= kWordCount) return std::string();
  if (language == msSystem) return wordTable[LanguageOfLocale(SystemLocaleId)][id];
  const std::string& word = wordTable[language][id];
  return word.empty() ? wordTable[msEnglish][id] : word;
}

void FillWordTable() {
  for (int row = 0; row < 11; ++row) {
    const auto language = static_cast<TMsgLanguage>(msEnglish + row);
    for (int id = 0; id < kWordCount; ++id)
      if (const char* word = kRows[row][id]) SetWord(language, static_cast<Byte>(id), word);
  }
}

void ClearWordTable() {
  for (auto& row : wordTable)
    for (std::string& cell : row) cell.clear();
}
