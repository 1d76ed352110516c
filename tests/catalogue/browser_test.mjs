// The built-in catalogue's pages in a real browser: headless Chromium (Debian's,
// never a downloaded one) driven by playwright-core, at the size of the player's
// catalogue pane. Every page is loaded and photographed; a Cyrillic search is typed
// and submitted; a favourite is added and removed and an own station added through
// the forms; the play: and new: addresses of the links are read, and a click on a
// play: link is caught before it leaves the page. Titles handed over as the player
// does are listed, copied and searched; the favourites go out as M3U and PLS and a file
// comes back in; countries are named in Russian; a page elsewhere cannot make the player
// play, and the catalogue opened as in the system's browser plays through the server.
// Then every kind of page the catalogue serves is checked to lie clear of the
// window's own pictures, which cover the pane's top, and photographed again with
// those pictures marked.
//
//   node browser_test.mjs BASE_URL SHOT_DIR COMMANDS OUTPUT
//
// BASE_URL is the catalogue ("http://127.0.0.1:PORT"), serving the directory
// stand-in's fixture; COMMANDS is the catalogue program's command input (titles heard,
// plays asked for) and OUTPUT what it prints. Prints one line per check and "N passed, M failed"; exit 1 on
// any failure.
import { chromium } from 'playwright-core';
import fs from 'node:fs';
import path from 'node:path';

const [base, shots, commands, output] = process.argv.slice(2);
const STATION = 'http://127.0.0.1:9';
let passed = 0;
let failed = 0;
// The program's texts are CP1251, as the player notification carries a title.
function cp1251(text) {
  const special = { 0x401: 0xA8, 0x451: 0xB8, 0x2014: 0x97, 0x2013: 0x96, 0xAB: 0xAB, 0xBB: 0xBB };
  return Buffer.from([...text].map((ch) => {
    const c = ch.codePointAt(0);
    if (c < 0x80) return c;
    if (c >= 0x410 && c <= 0x44F) return c - 0x350;
    return special[c] ?? 0x3F;
  }));
}
// One command line to the catalogue program, and what it answered since.
function command(line) { fs.appendFileSync(commands, Buffer.concat([cp1251(line), Buffer.from('\n')])); }
async function until(test, ms = 5000) {
  for (let t = 0; t < ms; t += 100) { if (await test()) return true; await new Promise((r) => setTimeout(r, 100)); }
  return false;
}
function check(ok, what) {
  console.log((ok ? 'ok   ' : 'FAIL ') + what);
  if (ok) passed++; else failed++;
}

// The window's pictures over the pane, in the page's pixels: nothing of a page
// may lie under them.
const PICTURES = [
  { name: 'the logo', x: 47, y: -1, w: 290, h: 62 },
  { name: 'the header picture', x: 337, y: 0, w: 175, h: 33 },
  { name: 'the control strip', x: 26, y: 92, w: 427, h: 39 },
];
// Points beside the pictures and the controls that show the top's bands, as the
// placeholder page paints them: 52 px #dff6ff, 10 px white, #e5f7ff below.
const BANDS = [[10, 3, 'dff6ff'], [10, 45, 'dff6ff'], [560, 20, 'dff6ff'], [10, 57, 'ffffff'], [560, 61, 'ffffff'],
               [500, 75, 'e5f7ff'], [10, 120, 'e5f7ff'], [560, 120, 'e5f7ff']];

fs.mkdirSync(path.join(shots, 'pictures'), { recursive: true });
const profile = fs.mkdtempSync('/tmp/volnar-chromium-');
// A fresh profile each run (playwright passes it as --user-data-dir).
const browser = await chromium.launchPersistentContext(profile, {
  executablePath: '/usr/bin/chromium',
  args: ['--no-sandbox', '--disable-gpu', '--disable-background-networking', '--disable-component-update',
         '--disable-sync', '--no-first-run', '--disable-quic'],
  viewport: { width: 598, height: 620 },
});
try {
  const page = await browser.newPage();
  const problems = [];
  page.on('pageerror', (e) => problems.push(String(e)));
  page.on('console', (m) => { if (m.type() === 'error' && !/Failed to load resource/.test(m.text())) problems.push(m.text()); });
  // Anything the pages load from elsewhere (only logos may come from outside).
  const foreign = [];
  page.on('request', (r) => { if (!r.url().startsWith(base) && !r.url().startsWith('data:')) foreign.push(r.url()); });
  const shot = (name) => page.screenshot({ path: path.join(shots, name + '.png'), fullPage: false });
  const navigating = (act) => Promise.all([page.waitForNavigation(), act()]);

  // What of the page lies under a picture: controls, headings, notices, station
  // rows, and every piece of text.
  const underPictures = () => page.evaluate((pictures) => {
    const found = [];
    const note = (what, r) => {
      const p = pictures.find((q) => r.width && r.height && r.left < q.x + q.w && r.right > q.x &&
                                     r.top < q.y + q.h && r.bottom > q.y);
      if (p) found.push(`${what} under ${p.name} at ${Math.round(r.left)},${Math.round(r.top)}`);
    };
    for (const e of document.body.querySelectorAll('a,button,input,select,textarea,label,h1,h2,h3,.note,.err,.st,img')) {
      for (const r of e.getClientRects()) note(e.tagName.toLowerCase() + (e.className ? '.' + e.className : ''), r);
    }
    const texts = document.createTreeWalker(document.body, NodeFilter.SHOW_TEXT);
    for (let t; (t = texts.nextNode());) {
      if (!t.data.trim()) continue;
      const range = document.createRange();
      range.selectNodeContents(t);
      for (const r of range.getClientRects()) note(`"${t.data.trim().slice(0, 24)}"`, r);
    }
    return found;
  }, PICTURES);
  // The colours of the viewport's pixels at `points`, read back from a screenshot.
  const colours = async (points) => {
    const png = 'data:image/png;base64,' + (await page.screenshot()).toString('base64');
    return page.evaluate(async ([src, points]) => {
      const img = new Image();
      img.src = src;
      await img.decode();
      const canvas = document.createElement('canvas');
      canvas.width = img.width;
      canvas.height = img.height;
      const g = canvas.getContext('2d');
      g.drawImage(img, 0, 0);
      return points.map(([x, y]) => [...g.getImageData(x, y, 1, 1).data.slice(0, 3)]
        .map((v) => v.toString(16).padStart(2, '0')).join(''));
    }, [png, points]);
  };
  // A screenshot with the pictures drawn over the page as translucent boxes.
  const pictureShot = async (name) => {
    await page.evaluate((pictures) => {
      for (const p of pictures) {
        const box = document.createElement('div');
        box.className = 'picture-box';
        box.style.cssText = `position:fixed;left:${p.x}px;top:${p.y}px;width:${p.w}px;height:${p.h}px;` +
                            'background:rgba(230,0,90,.35);outline:1px solid #c00;z-index:99;pointer-events:none';
        document.body.append(box);
      }
    }, PICTURES);
    await page.screenshot({ path: path.join(shots, 'pictures', name + '.png') });
    await page.evaluate(() => document.querySelectorAll('.picture-box').forEach((b) => b.remove()));
  };

  await page.goto(base + '/');
  check(await page.title() === 'Каталог станций', 'the home page loads');
  check((await page.locator('h2').allTextContents()).join('|') === 'Популярное в России|Популярное в мире|Жанры|Страны|Языки',
        'the home page has its sections');
  const mayak = page.locator('.st', { hasText: 'Радио Маяк' }).first();
  check(await mayak.locator('a.name').getAttribute('href') === `play:${STATION}/demo/3?mayak`,
        'a station\'s name is its play: link');
  check(await mayak.locator('a[href^="new:"]').getAttribute('href') === 'new:https://mayak.example/',
        'a station\'s homepage is a new: link');
  check(await page.locator('a[href^="playmain:"]').count() === 1, 'the first run names one default station');
  check(await page.locator('script').count() === 0, 'no station field became a script');
  const width = await page.evaluate(() => document.documentElement.scrollWidth);
  check(width <= 598, `the page fits the pane's width (${width} px)`);
  const search = await page.locator('input[name="q"]').boundingBox();
  check(search.width >= 160 && search.height >= 20, `the search box is of a usable size (${search.width} x ${search.height})`);
  await shot('home');

  // A click on a play: link is caught before the browser hands it elsewhere.
  await page.evaluate(() => {
    window.__clicked = [];
    document.addEventListener('click', (e) => {
      const a = e.target.closest('a');
      if (a && /^(play|new|playmain):/.test(a.getAttribute('href'))) { window.__clicked.push(a.getAttribute('href')); e.preventDefault(); }
    }, true);
  });
  await mayak.locator('a.name').click();
  check((await page.evaluate(() => window.__clicked)).join() === `play:${STATION}/demo/3?mayak`,
        'clicking a station navigates to its play: address');

  // A Cyrillic search, typed and submitted.
  await page.fill('input[name="q"]', 'Маяк');
  await Promise.all([page.waitForNavigation(), page.press('input[name="q"]', 'Enter')]);
  check(page.url().includes('q=%D0%9C%D0%B0%D1%8F%D0%BA'), `the search is sent encoded (${page.url()})`);
  check(await page.locator('.st').count() === 1 && (await page.locator('.st .name').first().textContent()) === 'Радио Маяк',
        'the search finds its one station');
  check(await page.inputValue('input[name="q"]') === 'Маяк', 'the search box keeps the text');
  await shot('search');

  // Lists with filters and paging.
  await page.goto(base + '/list?country=RU&order=name');
  const names = await page.locator('.st .name').allTextContents();
  check(names.length >= 2 && names.every((n, i) => i === 0 || names[i - 1].localeCompare(n, 'ru') <= 0),
        `a country's list sorted by name (${names.join(', ')})`);
  check(await page.locator('text=Скрыто станций, которые плеер не проигрывает').count() === 1,
        'stations the player cannot play are left out and counted');
  await page.click('text=Показать все');
  check(await page.locator('.st.off', { hasText: 'Ретро WMA' }).count() === 1 &&
        (await page.locator('.st.off', { hasText: 'Ретро WMA' }).locator('.why').textContent()).includes('WMA') &&
        await page.locator('.st:not(.off)', { hasText: 'Ретро Ogg' }).count() === 1 &&
        await page.locator('.st:not(.off)', { hasText: 'Ретро Opus' }).count() === 1,
        'shown on request, greyed with the reason');
  await shot('list');

  // A favourite: added from the list, shown, removed.
  await page.goto(base + '/list?q=' + encodeURIComponent('Маяк'));
  await Promise.all([page.waitForNavigation(), page.locator('.st button.fav').first().click()]);
  check((await page.locator('.st button.fav').first().textContent()) === '★', 'the star shows the favourite');
  await page.click('text=Избранное');
  check(await page.locator('.st', { hasText: 'Радио Маяк' }).count() === 1, 'the favourite is listed');
  await shot('favourites');
  await Promise.all([page.waitForNavigation(), page.locator('.st button[title="Убрать из избранного"]').first().click()]);
  check(await page.locator('.st').count() === 0, 'the favourite is removed');

  // An own station.
  await page.click('text=Свои станции');
  await page.fill('input[name="name"]', 'Моя волна');
  await page.fill('input[name="url"]', 'ftp://own.example/');
  await Promise.all([page.waitForNavigation(), page.click('button:has-text("Добавить")')]);
  check((await page.locator('.err').count()) === 1, 'an address that is not http(s) is refused with a message');
  await page.fill('input[name="url"]', 'http://own.example:8000/live');
  await Promise.all([page.waitForNavigation(), page.click('button:has-text("Добавить")')]);
  check(await page.locator('.st a.name', { hasText: 'Моя волна' }).getAttribute('href') === 'play:http://own.example:8000/live',
        'the own station is listed with its play: link');
  await shot('own');

  await page.click('text=Недавние');
  check(await page.title() === 'Недавние', 'the history page loads');
  await shot('recent');


  // Every kind of page, laid out clear of the window's pictures at the top and,
  // scrolled to its end, still showing the top's bands beside them. Each names
  // what it must show, so that a wrong page is not checked in its place.
  await page.goto(base + '/list?q=' + encodeURIComponent('Маяк'));
  await navigating(() => page.locator('.st button.fav').first().click());
  const pages = [
    ['home', '/', '.note a[href^="playmain:"]'],
    ['search', '/list?q=' + encodeURIComponent('Маяк'), '.st'],
    ['list', '/list?country=RU&order=name&all=1', '.st.off'],
    ['second-page', '/list?country=RU&page=1', '.pager a'],
    ['favourites', '/fav', '.st button[title="Ниже"]'],
    ['own', '/own', '.st a[href^="/own?edit="]'],
    ['own-edit', () => navigating(() => page.click('text=изменить')), 'button:has-text("Сохранить")'],
    ['own-refused', async () => {
      await page.goto(base + '/own');
      await page.fill('input[name="url"]', 'ftp://own.example/');
      await navigating(() => page.click('button:has-text("Добавить")'));
    }, '.err'],
    ['recent', '/recent', '.note'],
    ['missing', '/no-such-page', '.note a[href="/"]'],
    ['action-failed', async () => {
      await page.goto(base + '/list?q=' + encodeURIComponent('Маяк'));
      await page.locator('.st input[name="k"]').first().evaluate((k) => { k.value = 'u:no-such-station'; });
      await navigating(() => page.locator('.st button.fav').first().click());
    }, '.err'],
  ];
  for (const [name, open, shows] of pages) {
    if (typeof open === 'string') await page.goto(base + open); else await open();
    const under = await underPictures();
    check(await page.locator(shows).count() > 0 && under.length === 0,
          `${name}: shows ${shows}, nothing under the window's pictures (${under.slice(0, 4).join('; ')})`);
    await pictureShot(name);
    await page.evaluate(() => window.scrollTo(0, document.documentElement.scrollHeight));
    const seen = await colours(BANDS);
    check(seen.every((c, i) => c === BANDS[i][2]),
          `${name}: scrolled to its end, the top shows its bands (${seen.join(' ')})`);
  }

  // Titles heard, as the player hands them over: listed under the stations, newest
  // first, each copied by its button and searched by its link.
  const mayakAddress = `${STATION}/demo/3?mayak`;
  command(`play ${mayakAddress}`);
  command(`title ${mayakAddress} Кино — Группа крови`);
  command(`title ${mayakAddress} Новости «в 18:00»`);
  await until(async () => { await page.goto(base + '/recent'); return (await page.locator('.tt').count()) === 2; });
  const heard = await page.locator('.tt .title').allTextContents();
  check(heard.join('|') === 'Новости «в 18:00»|Кино — Группа крови', `the titles heard, newest first (${heard.join('|')})`);
  check(await page.locator('.tt .meta').first().textContent() === 'Радио Маяк', 'each with its station');
  check(await page.evaluate(() => {
    const h = [...document.querySelectorAll('h2')].map((e) => e.textContent);
    return h.indexOf('Недавние') >= 0 && h.indexOf('Недавние') < h.indexOf('Звучало');
  }), 'under the stations played');
  check(await page.locator('.tt a', { hasText: 'найти' }).last().getAttribute('href') ===
        'new:https://yandex.ru/search/?text=' + encodeURIComponent('Кино — Группа крови'),
        'a title\'s search link is a new: link to a web search');
  await browser.grantPermissions(['clipboard-read', 'clipboard-write'], { origin: base });
  await page.locator('.tt button.copy').last().click();
  const copied = await page.evaluate(() => navigator.clipboard.readText());
  check(copied === 'Кино — Группа крови', `the copy button copies the title (${copied})`);
  check((await page.locator('.tt button.copy').last().textContent()) === 'скопировано', 'and says so');
  await shot('recent-titles');

  // The favourites and own stations as files, and a file read back in.
  await page.goto(base + '/fav');
  check(await page.locator('.st', { hasText: 'Радио Маяк' }).count() === 1, 'a favourite to save');
  // The pages' content policy lets no script fetch: the files are asked for as the browser would.
  const [m3u, pls] = await Promise.all(['/fav/export.m3u8', '/fav/export.pls'].map(async (u) => (await browser.request.get(base + u)).text()));
  check(m3u === `#EXTM3U\r\n#EXTINF:-1,Радио Маяк\r\n${mayakAddress}\r\n#EXTINF:-1,Моя волна\r\nhttp://own.example:8000/live\r\n`,
        `M3U holds the favourite and the own station with their names (${JSON.stringify(m3u)})`);
  check(pls.startsWith(`[playlist]\r\nFile1=${mayakAddress}\r\nTitle1=Радио Маяк\r\n`) && pls.includes('NumberOfEntries=2\r\n'),
        'PLS holds them too');
  const download = await Promise.all([page.waitForEvent('download'), page.click('.files a:has-text("PLS")')]);
  check(download[0].suggestedFilename() === 'volnar-stations.pls', `the PLS link saves a file (${download[0].suggestedFilename()})`);
  const upload = path.join(profile, 'mine.pls');
  fs.writeFileSync(upload, `[playlist]\nFile1=${mayakAddress}\nTitle1=Маяк again\nFile2=http://imported.example/live\n` +
                           'Title2=Привезённая\nFile3=C:\\Music\\a.mp3\nNumberOfEntries=3\n');
  await page.setInputFiles('.files input[type="file"]', upload);
  await navigating(() => page.click('.files button:has-text("Добавить")'));
  check((await page.locator('#imported').textContent()).includes('добавлено в избранное станций: 1. Уже были в списке, пропущено: 1.'),
        `the import adds the new station and skips the one there (${await page.locator('#imported').textContent()})`);
  check((await page.locator('#badlines li').allTextContents()).join('|').startsWith('строка 6: не адрес станции'),
        'and names the bad line');
  check(await page.locator('.st', { hasText: 'Привезённая' }).count() === 1, 'the imported station is a favourite');
  await shot('favourites-files');
  for (const [name, open, shows] of [['recent-titles', '/recent', '.tt button.copy'],
                                     ['favourites-files', '/fav', '.files input[type="file"]']]) {
    await page.goto(base + open);
    const under = await underPictures();
    check(await page.locator(shows).count() > 0 && under.length === 0,
          `${name}: shows ${shows}, nothing under the window's pictures (${under.slice(0, 4).join('; ')})`);
    await pictureShot(name);
  }

  // Countries in Russian from their codes.
  await page.goto(base + '/');
  const countries = await page.locator('.chips a[href^="/list?country="]').allTextContents();
  check(countries.some((c) => c.startsWith('Россия ')) && !countries.some((c) => /Russia/.test(c)),
        `countries are named in Russian (${countries.slice(0, 4).join(', ')})`);

  // Another page cannot make the player play: a form of a page elsewhere (the
  // directory stand-in's address is another origin) posting to the play action.
  const played = () => { command('plays'); return until(() => fs.readFileSync(output, 'latin1').includes('ok plays\n')); };
  const lastPlay = () => {
    const lines = fs.readFileSync(output, 'latin1').split(/\r?\n/).filter((l) => l.startsWith('play-request '));
    return lines[lines.length - 1];
  };
  const elsewhere = await browser.newPage();
  await elsewhere.goto('data:text/html,<form method="post" action="' + base + '/play"><input name="t" value="guess">' +
                       '<input name="u" value="http://evil.example/"><button>go</button></form>');
  const answer = await Promise.all([elsewhere.waitForNavigation(), elsewhere.click('button')]);
  check(answer[0] && answer[0].status() === 403, `a foreign form's play is refused (${answer[0] && answer[0].status()})`);
  await elsewhere.close();
  await played();
  check(lastPlay() === 'play-request -', `and nothing plays (${lastPlay()})`);

  // The catalogue in the system's browser: its play links ask the server.
  await page.goto(base + '/external');
  check(page.url() === base + '/', 'the entry for an external browser leads to the home page');
  check(await page.locator('a[href^="play:"], a[href^="new:"], a[href^="playmain:"]').count() === 0,
        'there no link needs the pane');
  const mayakThere = page.locator('.st', { hasText: 'Радио Маяк' }).first();
  check(await mayakThere.locator('a[href="https://mayak.example/"][target="_blank"]').count() === 1,
        'a homepage opens as an ordinary link');
  await navigating(() => mayakThere.locator('button.name').click());
  check((await page.locator('#played').textContent()) === 'Плеер включил станцию «Радио Маяк».',
        'a station\'s name plays it, and the page says so');
  await played();
  check(lastPlay() === `play-request ${mayakAddress}`, `the player is asked to play it (${lastPlay()})`);
  for (const [name, open, shows] of [['external-home', '/?played=1', '#played'], ['external-recent', '/recent', '.tt a[target="_blank"]']]) {
    await page.goto(base + open);
    const under = await underPictures();
    check(await page.locator(shows).count() > 0 && under.length === 0,
          `${name}: shows ${shows}, nothing under the window's pictures (${under.slice(0, 4).join('; ')})`);
    await pictureShot(name);
  }

  check(foreign.length === 0, `nothing is loaded from elsewhere (${foreign.join(' ')})`);
  check(problems.length === 0, `no script errors (${problems.join('; ')})`);
} catch (e) {
  check(false, 'the browser run: ' + e.message);
} finally {
  await browser.close();
  fs.rmSync(profile, { recursive: true, force: true });
}
console.log(`${passed} passed, ${failed} failed`);
process.exit(failed ? 1 : 0);
