// The "TIFF output" page of aro-printer-app in a real browser: the real
// server on a free loopback port with a machine hive of its own; values
// read, changed and refused through the page, the hive file checked after
// each step. Usage: node settings-page.mjs AROPRINTERAPP [AROPRINT]
import assert from 'node:assert/strict';
import { spawn } from 'node:child_process';
import fs from 'node:fs';
import net from 'node:net';
import os from 'node:os';
import path from 'node:path';
import { chromium } from 'playwright-core';

const [serverProgram, aroPrint] = process.argv.slice(2);
const scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'aro-settings-page-'));
const hiveFile = path.join(scratch, 'machine.reg');
const letterhead = path.join(scratch, 'letterhead.tif');
const outputFolder = path.join(scratch, 'tiff out');

// A comment, a value of another program and a hook: none of them the page's to change.
const comment = '; machine settings, kept by hand\n';
const foreign = '"ForeignTool"="keep <me> & \\"quoted\\""\n';
const hiveText =
  'Windows Registry Editor Version 5.00\n\n' + comment +
  '[HKEY_LOCAL_MACHINE\\Software\\ARO Digital\\Dovurezazuv]\n' +
  '"MaxPagesCount"="5"\n' + foreign +
  '"ShellExecuteAfter"="/usr/bin/logger"\n\n' +
  '[HKEY_LOCAL_MACHINE\\SOFTWARE\\ARO Digital\\Aro32.1\\Options]\n' +
  '"Dovurezazuv"="/srv/tiff"\n';

function freePort() {
  return new Promise((resolve, reject) => {
    const probe = net.createServer();
    probe.on('error', reject);
    probe.listen(0, '127.0.0.1', () => {
      const { port } = probe.address();
      probe.close(() => resolve(port));
    });
  });
}

async function waitForServer(url, server, log, statuses = [200]) {
  const deadline = Date.now() + 20000;
  while (Date.now() < deadline) {
    if (server.exitCode !== null) break;
    try {
      const response = await fetch(url);
      if (statuses.includes(response.status)) return;
    } catch {
      // not listening yet
    }
    await new Promise((resolve) => setTimeout(resolve, 200));
  }
  throw new Error(`the server did not answer at ${url}:\n${readLog(log)}`);
}

function readLog(log) {
  try {
    return fs.readFileSync(log, 'utf8').split('\n').slice(-40).join('\n');
  } catch {
    return '(no log)';
  }
}

async function stopServer(server) {
  if (server.exitCode !== null || server.signalCode !== null) return;
  const ended = new Promise((resolve) => server.once('exit', resolve));
  process.kill(server.pid, 'SIGTERM');
  const timer = setTimeout(() => process.kill(server.pid, 'SIGKILL'), 15000);
  await ended;
  clearTimeout(timer);
}

function startServer(port, extraArgs = []) {
  const log = path.join(scratch, `server-${port}.log`);
  const args = ['server', '-o', `server-port=${port}`, '-o', 'listen-hostname=127.0.0.1',
    '-o', `spool-directory=${path.join(scratch, `spool-${port}`)}`,
    '-o', `state-file=${path.join(scratch, `server-${port}.state`)}`,
    '-o', `log-file=${log}`, '-o', 'log-level=debug', ...extraArgs];
  if (aroPrint) args.push('-o', `aro-print=${aroPrint}`);
  const server = spawn(serverProgram, args, {
    env: { ...process.env, ARO_PRINTER_HKLM: hiveFile,
      ARO_PRINTER_HKCU: path.join(scratch, 'user.reg'), TMPDIR: scratch },
    stdio: ['ignore', 'inherit', 'inherit'],
  });
  return { server, log };
}

const field = (page, name) => page.locator(`[name="${name}"]`);

async function readShownValues(page) {
  return {
    outputFolder: await field(page, 'output_folder').inputValue(),
    namingRule: await field(page, 'naming_rule').inputValue(),
    multiPage: await field(page, 'multi_page').inputValue(),
    pageLimit: await field(page, 'page_limit').inputValue(),
    grpFile: await field(page, 'grp_file').inputValue(),
    hookAfter: await page.locator('#hook_after').innerText(),
  };
}

async function save(page) {
  await Promise.all([page.waitForNavigation(), page.click('input[type="submit"]')]);
}

async function checkReadAndChange(page, base) {
  await page.goto(base + '/');
  await Promise.all([page.waitForNavigation(), page.click('a:has-text("TIFF output")')]);
  assert.equal(new URL(page.url()).pathname, '/tiff-output');
  assert.equal(await page.locator('h1').innerText(), 'TIFF output');
  assert.equal(await page.locator('#hive-file').innerText(), hiveFile);
  const shown = await readShownValues(page);
  assert.deepEqual(shown, { outputFolder: '/srv/tiff', namingRule: '', multiPage: '1',
    pageLimit: '5', grpFile: '0', hookAfter: shown.hookAfter });
  assert.match(shown.hookAfter, /\/usr\/bin\/logger/);
  assert.equal(await field(page, 'hook_after').count(), 0, 'the programs are not editable');

  await field(page, 'output_folder').fill(outputFolder);
  await field(page, 'naming_rule').selectOption('5');
  await field(page, 'special_name').fill("Scan & Co's");
  await field(page, 'multi_page').selectOption('0');
  await field(page, 'page_limit').fill('12');
  await field(page, 'background').selectOption('1');
  await field(page, 'background_first').fill(letterhead);
  await field(page, 'grp_file').selectOption('1');
  await save(page);
  assert.equal(await page.locator('#saved').innerText(), 'Changes saved.');

  const text = fs.readFileSync(hiveFile, 'utf8');
  const expected =
    'Windows Registry Editor Version 5.00\n\n' + comment +
    '[HKEY_LOCAL_MACHINE\\Software\\ARO Digital\\Dovurezazuv]\n' +
    '"MaxPagesCount"="12"\n' + foreign +
    '"ShellExecuteAfter"="/usr/bin/logger"\n' +
    '"FileNameMode"="5"\n' +
    '"TempfileName"="Scan & Co\'s"\n' +
    '"PrintMultiPageImage"="0"\n' +
    '"PrintBackgroundImage"="1"\n' +
    `"BackgroundImageFirstPage"="${letterhead}"\n` +
    '"PrintGrpFile"="1"\n\n' +
    '[HKEY_LOCAL_MACHINE\\SOFTWARE\\ARO Digital\\Aro32.1\\Options]\n' +
    `"Dovurezazuv"="${outputFolder}"\n`;
  assert.equal(text, expected);
  // The page now shows what the file holds.
  assert.equal(await field(page, 'special_name').inputValue(), "Scan & Co's");
  assert.equal(await field(page, 'page_limit').inputValue(), '12');
}

async function checkRefusal(page, base) {
  const before = fs.readFileSync(hiveFile, 'utf8');
  await field(page, 'page_limit').fill('ten');
  await field(page, 'output_folder').fill('relative/folder');
  await field(page, 'background_next').fill(path.join(scratch, 'missing.tif'));
  await field(page, 'txt_file').selectOption('1');  // valid, but nothing may be stored
  await save(page);
  assert.match(await page.locator('#page_limit-error').innerText(),
    /^Page limit: "ten" is not a whole number/);
  assert.match(await page.locator('#output_folder-error').innerText(),
    /^Output folder: "relative\/folder" is a relative path/);
  assert.equal(await page.locator('#background_next-error').innerText(),
    `Background, next pages: ${path.join(scratch, 'missing.tif')} does not exist`);
  assert.equal(await page.locator('#saved').count(), 0);
  assert.match(await page.locator('#status').innerText(),
    /^Nothing saved; these fields cannot be used:\nOutput folder: .*\nPage limit: .*\nBackground, next pages: /);
  // The administrator's input stays in the form.
  assert.equal(await field(page, 'page_limit').inputValue(), 'ten');
  assert.equal(await field(page, 'output_folder').inputValue(), 'relative/folder');
  assert.equal(await field(page, 'txt_file').inputValue(), '1');
  assert.equal(fs.readFileSync(hiveFile, 'utf8'), before);

  // An emptied page limit removes the value: no limit.
  await page.goto(base + '/tiff-output');
  await field(page, 'page_limit').fill('');
  await save(page);
  assert.equal(await page.locator('#saved').innerText(), 'Changes saved.');
  assert.equal(fs.readFileSync(hiveFile, 'utf8'), before.replace('"MaxPagesCount"="12"\n', ''));
}

// A form posted without the page's token (another site's form) changes nothing.
async function checkForgedForm(base) {
  const before = fs.readFileSync(hiveFile, 'utf8');
  const response = await fetch(base + '/tiff-output', {
    method: 'POST',
    headers: { 'Content-Type': 'application/x-www-form-urlencoded' },
    body: 'session=forged&page_limit=99&grp_file=0',
  });
  assert.match(await response.text(), /Invalid form submission\./);
  assert.equal(fs.readFileSync(hiveFile, 'utf8'), before);
}

// With an authentication service configured even a client on this machine
// must log in: the page answers 401 to a request without credentials, for
// reading and for saving, and the file stays as it was.
async function checkCredentialsAsked(context) {
  const before = fs.readFileSync(hiveFile, 'utf8');
  const port = await freePort();
  const base = `http://127.0.0.1:${port}`;
  const { server, log } = startServer(port, ['-o', 'auth-service=aro-printer-app-test-none']);
  try {
    await waitForServer(base + '/', server, log, [200, 401]);
    // Headless chromium cannot ask for the credentials: the challenge ends the navigation.
    const page = await context.newPage();
    await assert.rejects(page.goto(base + '/tiff-output'), /ERR_INVALID_AUTH_CREDENTIALS/);
    await page.close();
    const get = await fetch(base + '/tiff-output');
    assert.equal(get.status, 401);
    assert.doesNotMatch(await get.text(), /page_limit/);
    const post = await fetch(base + '/tiff-output', {
      method: 'POST',
      headers: { 'Content-Type': 'application/x-www-form-urlencoded' },
      body: 'page_limit=99',
    });
    assert.equal(post.status, 401);
    assert.equal(fs.readFileSync(hiveFile, 'utf8'), before);
  } finally {
    await stopServer(server);
  }
}

async function main() {
  fs.writeFileSync(hiveFile, hiveText);
  fs.writeFileSync(letterhead, Buffer.from('II*\0\x08\0\0\0', 'binary'));
  const port = await freePort();
  const base = `http://127.0.0.1:${port}`;
  const { server, log } = startServer(port);
  let context;
  try {
    await waitForServer(base + '/', server, log);
    context = await chromium.launchPersistentContext(path.join(scratch, 'profile'), {
      executablePath: '/usr/bin/chromium',
      headless: true,
      args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
        '--disable-background-networking', '--disable-component-update', '--disable-sync'],
    });
    const page = await context.newPage();
    await checkReadAndChange(page, base);
    await checkRefusal(page, base);
    if (process.env.ARO_SCREENSHOT) await page.screenshot({ path: process.env.ARO_SCREENSHOT, fullPage: true });
    await checkForgedForm(base);
    await checkCredentialsAsked(context);
    console.log('settings page: 1 passed, 0 failed');
  } catch (error) {
    console.error(readLog(log));
    throw error;
  } finally {
    if (context) await context.close();
    await stopServer(server);
    fs.rmSync(scratch, { recursive: true, force: true });
  }
}

await main();
