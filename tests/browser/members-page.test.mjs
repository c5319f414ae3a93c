// The members' page in Debian's chromium, served by a running ostravel-service that the
// plug-in, through the workbench, has just filled.
import assert from "node:assert/strict";
import path from "node:path";
import { after, before, describe, it } from "node:test";

import { launchChromium, watchPage } from "./support/browser.mjs";
import {
  adminCommand, characterProfile, postForm, standardFields, outputDir, removeFolder, runWorkbench, startService, temporaryFolder, workbenchFolder,
} from "./support/service.mjs";

const kScriptTitle = "<script>alert(1)</script>";

describe("the members' page", () => {
  let folder, service, plugin, browser;

  before(async () => {
    folder = temporaryFolder();
    service = await startService(folder);
    plugin = workbenchFolder(folder, service.url);
    browser = await launchChromium();
    const sample = await runWorkbench(plugin,
      `:login\n:settle\n@mbr update\n:settle\n@event add tomorrow 20:00 ${kScriptTitle}, bring keys\n:settle\n`);
    assert.ok(sample.some((line) => line.includes("Character Ostra Vel updated")), sample.join("\n"));
    const wren = characterProfile(folder, { id: 1342177500, name: "Wren Second", level: 30, className: "Bow Hunter" });
    await runWorkbench(plugin, ":login\n:settle\n@mbr update\n:settle\n", wren);
    await adminCommand(service.database, ["role", "Wren Second", "questmaster", "on"]);
    await adminCommand(service.database, ["motd", "Court at eight & bring <keys>"]);
    // A fellowship report, as the Groups tab of its leader posts it. Posted without the plug-in,
    // so without the key Wren's plug-in keeps: forgotten first, the post gets a new one.
    await adminCommand(service.database, ["reset-key", "Wren Second"]);
    const wrenId = 1342177500;
    const report = await postForm(service.url, "fellowship.php", [
      ...standardFields(wrenId, { fellowshipLeader: wrenId }), ["FellowshipName", "Night Watch"],
      ["SharedXp", "True"], ["LeaderCID", wrenId], ["LeaderName", "Wren Second"], ["LeaderLevel", 30],
      ["Fellows", 1], ["Fellow1CID", wrenId], ["Fellow1Name", "Wren Second"], ["Fellow1Level", 30]]);
    assert.equal(report.status, 200);
  });

  after(async () => {
    await browser?.close();
    if (service) assert.equal(await service.stop(), 0, service.errors());
    removeFolder(folder);
  });

  // A page on a fresh context of the given size; every test checks it stayed free of errors.
  async function open(address = service.url, options = {}) {
    const context = await browser.newContext({ viewport: { width: 1280, height: 900 }, ...options });
    const page = await context.newPage();
    const seen = watchPage(page);
    const response = await page.goto(address);
    return { context, page, seen, response };
  }

  const column = (page, table, index) =>
    page.$$eval(`#${table} tbody tr:not(.empty)`, (rows, i) => rows.map((row) => row.cells[i].textContent), index);

  it("lists the characters that just posted, with the policy headers and no console errors", async () => {
    const { context, page, seen, response } = await open();
    assert.equal(response.status(), 200);
    const headers = response.headers();
    assert.match(headers["content-security-policy"], /default-src 'none'/);
    assert.doesNotMatch(headers["content-security-policy"], /unsafe/);
    assert.equal(headers["x-content-type-options"], "nosniff");
    assert.equal(headers["set-cookie"], undefined);
    assert.deepEqual(await column(page, "online", 0), ["Ostra Vel", "Wren Second"]);
    assert.deepEqual(await column(page, "online", 2), ["Adventurer", "Bow Hunter"]);
    assert.deepEqual(await column(page, "online", 3), ["", "Quest Master"]);
    assert.deepEqual(await column(page, "recent", 0), [], "the online are listed once");
    assert.deepEqual(await column(page, "fellowships", 0), ["Night Watch"]);
    assert.equal(await page.textContent("#motd"), "Court at eight & bring <keys>");
    assert.deepEqual(await context.cookies(), []);
    await page.screenshot({ path: path.join(outputDir(), "members-desktop.png"), fullPage: true });
    assert.deepEqual(seen.errors, []);
    await context.close();
  });

  it("sorts the online list by level and by name", async () => {
    const { context, page, seen } = await open();
    await page.click("#online th[data-sort=level] button");
    assert.deepEqual(await column(page, "online", 0), ["Wren Second", "Ostra Vel"]);
    assert.equal(await page.getAttribute("#online th[data-sort=level]", "aria-sort"), "descending");
    await page.click("#online th[data-sort=level] button");
    assert.deepEqual(await column(page, "online", 0), ["Ostra Vel", "Wren Second"]);
    await page.click("#online th[data-sort=name] button");
    assert.deepEqual(await column(page, "online", 0), ["Ostra Vel", "Wren Second"]);
    await page.click("#online th[data-sort=name] button");
    assert.deepEqual(await column(page, "online", 0), ["Wren Second", "Ostra Vel"]);
    assert.deepEqual(seen.errors, []);
    await context.close();
  });

  it("shows an event titled as a script as text, and runs no script of it", async () => {
    const { context, page, seen } = await open("about:blank");
    await page.goto(`${service.url}?refresh=1`);
    assert.equal(await page.textContent("#events tbody strong"), kScriptTitle);
    assert.equal(await page.$$eval("#events script, #online script", (found) => found.length), 0);
    // Once more after our script has drawn the lists from the JSON.
    await page.waitForFunction(() => Number(document.body.dataset.refreshes) >= 1);
    assert.equal(await page.textContent("#events tbody strong"), kScriptTitle);
    assert.equal(await page.$$eval("#events script", (found) => found.length), 0);
    assert.deepEqual(seen.dialogs, []);
    assert.deepEqual(seen.errors, []);
    await context.close();
  });

  it("refreshes itself after a new post, without reloading", async () => {
    const { context, page, seen } = await open(`${service.url}?refresh=1`);
    await page.evaluate(() => { window.stillTheSamePage = true; });
    await page.click("#online th[data-sort=level] button");
    const tam = characterProfile(folder, { id: 1342177600, name: "Tam Third", level: 75, className: "War Mage" });
    await runWorkbench(plugin, ":login\n:settle\n@mbr update\n:settle\n", tam);
    await page.waitForFunction(
      () => [...document.querySelectorAll("#online tbody td:first-child")].some((td) => td.textContent === "Tam Third"),
      null, { timeout: 15000 });
    assert.equal(await page.evaluate(() => window.stillTheSamePage), true);
    assert.equal(await page.textContent("#online-count"), "3");
    // The order chosen before stays through the redraw.
    assert.deepEqual(await column(page, "online", 0), ["Tam Third", "Wren Second", "Ostra Vel"]);
    assert.deepEqual(seen.errors, []);
    await context.close();
  });

  it("fits a phone's width in one column, and has a dark mode", async () => {
    const { context, page, seen } = await open(service.url,
      { viewport: { width: 375, height: 812 }, isMobile: true, hasTouch: true, deviceScaleFactor: 2 });
    const widths = await page.evaluate(() => ({
      scroll: document.documentElement.scrollWidth,
      client: document.documentElement.clientWidth,
      columns: getComputedStyle(document.querySelector("main")).gridTemplateColumns.split(" ").length,
    }));
    assert.ok(widths.scroll <= widths.client, `scrolls sideways: ${JSON.stringify(widths)}`);
    assert.equal(widths.columns, 1);
    await page.screenshot({ path: path.join(outputDir(), "members-phone.png"), fullPage: true });
    await context.close();
    assert.deepEqual(seen.errors, []);

    const dark = await open(service.url, { colorScheme: "dark" });
    const background = await dark.page.evaluate(() => getComputedStyle(document.body).backgroundColor);
    assert.equal(background, "rgb(21, 22, 26)");
    await dark.page.screenshot({ path: path.join(outputDir(), "members-dark.png"), fullPage: true });
    await dark.context.close();
  });
});
