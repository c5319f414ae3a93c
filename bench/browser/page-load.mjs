// The members' page with 500 members online, measured in Debian's chromium: the size of the
// page and its script and style, and the time to first render (first-contentful-paint) of a
// fresh browser context. Two baselines from the same run show what the browser costs before the
// members do: a one-line text page, and the same page with nobody in it (a second service on an
// empty database). Prints the figures and writes them to build/dev/browser/page-load.json.
//
//   scripts/test-browser            (once, for the build and the npm packages)
//   node bench/browser/page-load.mjs [MEMBERS] [RUNS]
import { writeFileSync } from "node:fs";
import path from "node:path";

import { launchChromium, watchPage } from "../../tests/browser/support/browser.mjs";
import {
  outputDir, postForm, removeFolder, standardFields, startService, temporaryFolder,
} from "../../tests/browser/support/service.mjs";

const members = Number(process.argv[2] || 500);
const runs = Number(process.argv[3] || 7);

const kFirst = ["Ostra", "Wren", "Tam", "Aldric", "Brynn", "Cael", "Dara", "Eske", "Fenn", "Gisla",
  "Hale", "Isolde", "Jory", "Kestrel", "Lioren", "Mira", "Nyx", "Orrin", "Pell", "Quill"];
const kLast = ["Vel", "Second", "Brightwater", "Ashford", "Stormcrow", "Dunmere", "Halloway", "Ironvale",
  "Blackthorn", "Reedwater", "Coldbrook", "Emberly", "Foxglove", "Greywind", "Hollowell", "Kingsley",
  "Larkspur", "Moorfield", "Northgate", "Oakheart", "Pinecrest", "Ravenholm", "Silverleaf", "Thornbury",
  "Whitmore"];
const kClasses = ["Adventurer", "Bow Hunter", "Life Caster", "Soldier", "War Mage", "Swashbuckler", "Vagabond"];

function record(i) {
  const id = 1342200000 + i;
  const name = `${kFirst[i % kFirst.length]} ${kLast[Math.floor(i / kFirst.length) % kLast.length]}`;
  return [...standardFields(id, { wantsFellowship: i % 17 === 0 }), ["Name", name], ["Server", "Darktide"],
    ["Birth", "2004-06-07 00:00:00"], ["Age", 3600000], ["Deaths", 12], ["Class", kClasses[i % kClasses.length]],
    ["Gender", "Female"], ["Level", 1 + ((i * 37) % 275)], ["Race", "Aluvian"], ["Rank", 3], ["SkillPoints", 0],
    ["TotalXp", 0], ["UnassignedXp", 0], ["ProducedXp", 0], ["Followers", 0], ["Vassals", 0], ["Pk", 0],
    ["Share", 1]];
}

async function postAll(url, script, bodies, from) {
  for (const body of bodies) {
    const answer = await postForm(url, script, body, from);
    if (answer.status !== 200) throw new Error(`${script} answered ${answer.status}: ${answer.text}`);
  }
}

// Every member posts its record. Each loopback address posts 50 of them one after the other,
// within the service's allowance per address; the addresses post side by side.
async function fill(url) {
  const senders = [];
  for (let i = 0; i < members; i += 50) {
    const bodies = [];
    for (let j = i; j < Math.min(i + 50, members); ++j) bodies.push(record(j));
    senders.push(postAll(url, "update.php", bodies, `127.0.0.${2 + i / 50}`));
  }
  await Promise.all(senders);
  const events = [];
  for (let i = 0; i < 20; ++i) {
    events.push([...standardFields(1342200000 + i),
      ["args", `add tomorrow ${10 + (i % 12)}:00 Raid ${i} on the Olthoi, meet at the lifestone`]]);
  }
  await postAll(url, "event.php", events, "127.0.0.250");
}

function pageFigures() {
  const navigation = performance.getEntriesByType("navigation")[0];
  const paint = performance.getEntriesByType("paint").find((entry) => entry.name === "first-contentful-paint");
  return {
    documentBytes: navigation.decodedBodySize,
    assetBytes: performance.getEntriesByType("resource").reduce((sum, entry) => sum + entry.decodedBodySize, 0),
    serverMs: navigation.responseStart - navigation.requestStart,
    firstContentfulPaintMs: paint ? paint.startTime : null,
    onlineRows: document.querySelectorAll("#online tbody tr").length,
  };
}

// Loads the address in a fresh context (a new renderer, nothing cached), then once more by
// reloading the same tab (the renderer warm, the script and style cached).
async function measure(browser, url) {
  const context = await browser.newContext({ viewport: { width: 1280, height: 900 } });
  const page = await context.newPage();
  const seen = watchPage(page);
  await page.goto(url, { waitUntil: "load" });
  await page.waitForFunction(() => performance.getEntriesByType("paint").length > 0);
  const cold = await page.evaluate(pageFigures);
  await page.reload({ waitUntil: "load" });
  await page.waitForFunction(() => performance.getEntriesByType("paint").length > 0);
  const warm = await page.evaluate(pageFigures);
  await context.close();
  if (seen.errors.length > 0 && !url.endsWith("/floor")) throw new Error(`console errors: ${seen.errors.join("; ")}`);
  return { cold, warm };
}

const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];

const folder = temporaryFolder();
const emptyFolder = temporaryFolder();
const service = await startService(folder);
const emptyService = await startService(emptyFolder);
let browser;
try {
  await fill(service.url);
  browser = await launchChromium();
  await measure(browser, service.url);  // warms up the browser and the database's pages
  const results = [];
  const floor = [];
  const empty = [];
  for (let run = 0; run < runs; ++run) {
    results.push(await measure(browser, service.url));
    // The browser's own floor on this machine: the service's one-line 404 text.
    floor.push(await measure(browser, `${service.url}floor`));
    empty.push(await measure(browser, emptyService.url));
  }
  const paint = (list, kind) => median(list.map((r) => r[kind].firstContentfulPaintMs));
  const summary = {
    members,
    runs,
    onlineRows: results[0].cold.onlineRows,
    documentBytes: results[0].cold.documentBytes,
    assetBytes: results[0].cold.assetBytes,
    serverMsMedian: median(results.map((r) => r.cold.serverMs)),
    firstContentfulPaintMsMedian: { freshContext: paint(results, "cold"), reload: paint(results, "warm") },
    floorFirstContentfulPaintMsMedian: { freshContext: paint(floor, "cold"), reload: paint(floor, "warm") },
    emptyPageFirstContentfulPaintMsMedian: { freshContext: paint(empty, "cold"), reload: paint(empty, "warm") },
  };
  const ms = (value) => `${value.toFixed(0)} ms`;
  console.log(`members online: ${summary.onlineRows} rows of ${members} posted; median of ${runs} runs`);
  console.log(`page: ${(summary.documentBytes / 1024).toFixed(1)} KiB HTML (${summary.documentBytes} bytes), ` +
    `script and style ${(summary.assetBytes / 1024).toFixed(1)} KiB; the service answered in ${ms(summary.serverMsMedian)}`);
  console.log(`first contentful paint: ${ms(summary.firstContentfulPaintMsMedian.freshContext)} in a fresh context, ` +
    `${ms(summary.firstContentfulPaintMsMedian.reload)} on reload`);
  console.log(`floor (a one-line text page): ${ms(summary.floorFirstContentfulPaintMsMedian.freshContext)} fresh, ` +
    `${ms(summary.floorFirstContentfulPaintMsMedian.reload)} on reload`);
  console.log(`the page with nobody in it: ${ms(summary.emptyPageFirstContentfulPaintMsMedian.freshContext)} fresh, ` +
    `${ms(summary.emptyPageFirstContentfulPaintMsMedian.reload)} on reload`);
  const file = path.join(outputDir(), "page-load.json");
  writeFileSync(file, `${JSON.stringify(summary, null, 2)}\n`);
  console.log(`figures in ${file}`);
} finally {
  await browser?.close();
  await service.stop();
  await emptyService.stop();
  removeFolder(folder);
  removeFolder(emptyFolder);
}
