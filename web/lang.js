// The page's language and its texts. The build (web/texts.cmake) puts this
// script, with the tables of web/lang/ (LANG.json, one per language) as
// pageTexts, at the start of every page's head, where it runs before
// anything is shown. The language: the link's lang=, then the user's saved
// choice, then the browser's languages, then English, in which the build
// wrote the page. An element names its text by a key of the tables:
// data-text for its content, data-label, data-alt, data-content and
// data-title for those attributes; data-values gives the values of the
// text's {names}.
'use strict';

const pageTexts = @TABLES@;
const defaultLanguage = 'en';
const savedLanguageKey = 'wavestring-language';

// The language of a tag ('fr', 'fr-CA', 'FR') if the pages have it.
function languageOf(tag) {
  const language = String(tag ?? '').toLowerCase().split(/[-_]/)[0];
  return Object.hasOwn(pageTexts, language) ? language : null;
}

const askedLanguage = new URLSearchParams(location.search).get('lang');
let savedLanguage = null;
try {
  savedLanguage = languageOf(localStorage.getItem(savedLanguageKey));
} catch { // storage refused (a private window, a policy): no saved choice
}
// Chosen by the link or by the user: kept in the page's address and links.
let languageChosen = languageOf(askedLanguage) !== null || savedLanguage !== null;
let pageLanguage = languageOf(askedLanguage) ?? savedLanguage
  ?? (navigator.languages?.length ? navigator.languages : [navigator.language]).map(languageOf).find(Boolean)
  ?? defaultLanguage;

const escapeHtml = (value) => String(value).replace(/[&<>"]/g, (c) => ({ '&': '&amp;', '<': '&lt;', '>': '&gt;', '"': '&quot;' })[c]);

// A number in the page's language, with digits decimals: 0.89 is "0,89"
// in French.
function decimal(value, digits) {
  return new Intl.NumberFormat(pageLanguage, { minimumFractionDigits: digits, maximumFractionDigits: digits, useGrouping: false })
    .format(value);
}

// The text of key in the page's language, as HTML, with each {name} given
// by values[name]: a number as { number, digits }, anything else as text.
// English where the language has no text (or an empty one) for the key.
function text(key, values = {}) {
  const found = pageTexts[pageLanguage][key] || pageTexts[defaultLanguage][key];
  if (!found) {
    console.error(`no text for ${key}`);
    return escapeHtml(key);
  }
  return found.replace(/\{(\w+)\}/g, (whole, name) => {
    const value = values[name];
    if (value === undefined)
      return whole;
    return typeof value === 'object' ? decimal(value.number, value.digits) : escapeHtml(value);
  });
}

// Shows the text of key in element, and keeps it there in whatever
// language the page takes; null shows nothing.
function showText(element, key, values) {
  if (key === null) {
    delete element.dataset.text;
    element.textContent = '';
    return;
  }
  element.dataset.text = key;
  element.dataset.values = JSON.stringify(values ?? {});
  element.innerHTML = text(key, values);
}

// The address with lang=language among its parameters.
function withLanguage(address, language) {
  const url = new URL(address, location.href);
  url.searchParams.set('lang', language);
  return url.href;
}

// Every text of the page in language. The links to the other languages
// stay the same elements, so that one of them keeps the focus.
function showLanguage(language) {
  pageLanguage = language;
  document.documentElement.lang = language;
  for (const element of document.querySelectorAll('[data-text]'))
    element.innerHTML = text(element.dataset.text, JSON.parse(element.dataset.values ?? '{}'));
  for (const [key, attribute] of [['label', 'aria-label'], ['alt', 'alt'], ['content', 'content'], ['title', 'title']])
    for (const element of document.querySelectorAll(`[data-${key}]`))
      element.setAttribute(attribute, text(element.dataset[key]));
  document.querySelector('link[rel="manifest"]')
    ?.setAttribute('href', language === defaultLanguage ? 'manifest.webmanifest' : `manifest.${language}.webmanifest`);
  const others = Object.keys(pageTexts).filter((other) => other !== language);
  for (const place of document.querySelectorAll('[data-languages]')) {
    while (place.children.length > others.length)
      place.lastElementChild.remove();
    while (place.children.length < others.length)
      place.append(document.createElement('a'));
    others.forEach((other, i) => {
      const link = place.children[i];
      Object.assign(link, { lang: other, hreflang: other, href: withLanguage(location.href, other),
        textContent: pageTexts[other]['language.name'] });
      link.dataset.language = other;
    });
  }
  if (languageChosen) {
    history.replaceState(history.state, '', withLanguage(location.href, language));
    for (const link of document.querySelectorAll('a[href]:not([data-languages] a)')) {
      const url = new URL(link.href);
      if (url.origin === location.origin && /(\.html|\/)$/.test(url.pathname))
        link.href = withLanguage(link.href, language);
    }
    // The site's pages framed in this one speak its language too.
    for (const frame of document.querySelectorAll('iframe[src]')) {
      const url = new URL(frame.src);
      if (url.origin === location.origin && url.searchParams.get('lang') !== language)
        frame.src = withLanguage(frame.src, language);
    }
  }
}

// A link to another language shows the page in it at once, and saves the
// choice; with a modifier key it opens as a link does.
document.addEventListener('click', (event) => {
  const link = event.target.closest?.('[data-languages] a');
  if (!link || event.button !== 0 || event.ctrlKey || event.metaKey || event.shiftKey || event.altKey)
    return;
  event.preventDefault();
  try {
    localStorage.setItem(savedLanguageKey, link.dataset.language);
  } catch { // not saved: the address and the links still keep it
  }
  languageChosen = true;
  showLanguage(link.dataset.language);
});

// The page is shown once it is in its language: in another than the one
// the build wrote it in, only once the body is there to change.
if (pageLanguage !== defaultLanguage)
  document.documentElement.style.visibility = 'hidden';
document.documentElement.lang = pageLanguage;
document.addEventListener('readystatechange', () => {
  if (document.readyState !== 'interactive')
    return;
  try {
    if (askedLanguage !== null && languageOf(askedLanguage) === null) {
      const notice = document.createElement('p');
      notice.className = 'notice';
      document.querySelector('header')?.append(notice);
      showText(notice, 'language.unknown', { lang: askedLanguage.slice(0, 40) });
    }
    showLanguage(pageLanguage);
  } finally {
    document.documentElement.style.visibility = '';
  }
});
