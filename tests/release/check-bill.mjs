// check-bill.mjs RELEASE-DIR LINKED-EXE LINK-MAP: the release folder's bill of materials is valid
// CycloneDX 1.6 by the CycloneDX project's own validator, names the exe handed out by its digest,
// gives every package a purl that reads back as its name, version and distribution, names each
// library inside a package as a component of its own with a licence, and THIRD-PARTY-NOTICES.txt
// has every package's notices and, for every library, the text of each licence it names.
import { createHash } from 'node:crypto'
import { existsSync, readFileSync } from 'node:fs'
import { createRequire } from 'node:module'
import { join } from 'node:path'

const require = createRequire(import.meta.url)
const { Validation } = require('@cyclonedx/cyclonedx-library')
// Both come with the CycloneDX library, at the versions package-lock.json pins.
const { PackageURL } = require('packageurl-js')
const parseLicence = require('spdx-expression-parse')
// The bill's format version, as the library's validators name it.
const BillFormat = '1.6'

const [dir, linkedExe, linkMap] = process.argv.slice(2)
const failures = []
const sha256 = (file) => createHash('sha256').update(readFileSync(file)).digest('hex')

const text = readFileSync(join(dir, 'ZelvCloudSetup.cdx.json'), 'utf8')
const bill = JSON.parse(text)
const invalid = await new Validation.JsonStrictValidator(BillFormat).validate(text)
if (invalid !== null) {
  failures.push('not valid CycloneDX 1.6: ' + JSON.stringify(invalid, null, 1))
}

const billed = (bill.metadata?.component?.hashes ?? []).filter((h) => h.alg === 'SHA-256').map((h) => h.content)
const shipped = sha256(join(dir, 'ZelvCloudSetup.exe'))
const unsigned = sha256(join(dir, 'ZelvCloudSetup-unsigned.exe'))
if (billed.length !== 1 || billed[0] !== shipped) {
  failures.push(`the bill gives the exe's SHA-256 as ${billed.join(', ')}, the exe handed out (ZelvCloudSetup.exe) is ${shipped}`)
}
const property = (c, name) => (c.properties ?? []).find((p) => p.name === name)?.value
if (property(bill.metadata.component, 'zelv:unsigned-sha256') !== unsigned) {
  failures.push(`the bill's unsigned SHA-256 is not ZelvCloudSetup-unsigned.exe's (${unsigned})`)
}
// Without a signature the exe handed out is the exe as linked.
if (!existsSync(join(dir, 'ZelvCloudSetup.exe.sig'))) {
  for (const exe of [join(dir, 'ZelvCloudSetup.exe'), linkedExe]) {
    if (sha256(exe) !== unsigned) failures.push(`${exe} is not the unsigned exe the bill names`)
  }
}

// The licence identifiers of an expression, exceptions included.
const licenceIds = (tree) => tree.license
  ? [tree.license, ...(tree.exception ? [tree.exception] : [])]
  : [...licenceIds(tree.left), ...licenceIds(tree.right)]
const licencesOf = (c) => (c.licenses ?? []).map((l) => l.expression ?? l.license?.id ?? l.license?.name)

const components = bill.components ?? []
if (components.length === 0) failures.push('the bill lists no component')
const notices = readFileSync(join(dir, 'THIRD-PARTY-NOTICES.txt'), 'utf8')
const sections = notices.split(/^={78}\n/m).slice(1)
for (const c of components) {
  const licences = licencesOf(c)
  if (licences.length === 0 || licences.includes('NOASSERTION')) {
    failures.push(`${c.name}: no licence known; state it in cmake/release-record once read from its copyright file`)
  }
  const section = sections.find((s) => s.startsWith(`${c.name} ${c.version} (`))
  const body = section?.split(/^-{78}\n/m)[1]?.trim()
  if (!body) failures.push(`${c.name} ${c.version}: no notices in THIRD-PARTY-NOTICES.txt`)

  try {
    const purl = PackageURL.fromString(c.purl)
    if (purl.type !== 'deb' || purl.name !== c.name || purl.version !== c.version || !purl.qualifiers?.distro) {
      failures.push(`${c.name}: the purl ${c.purl} reads back as ${purl.name} ${purl.version}, distro ${purl.qualifiers?.distro}`)
    }
    const encodedName = c.purl.split('/')[2].split('@')[0]
    if (encodedName !== encodeURIComponent(c.name)) failures.push(`${c.name}: the purl's name is not percent-encoded: ${c.purl}`)
  } catch (e) {
    failures.push(`${c.name}: the purl ${c.purl} does not parse: ${e.message}`)
  }

  if ((c.components ?? []).length === 0) failures.push(`${c.name}: no library named inside the package`)
  for (const lib of c.components ?? []) {
    const [expression] = licencesOf(lib)
    if (!expression || expression === 'NOASSERTION') {
      failures.push(`library ${lib.name} in ${c.name}: no licence known; state it in LIBRARIES of cmake/release-record`)
      continue
    }
    const libSection = sections.find((s) => s.startsWith(`library ${lib.name} (in ${c.name} ${c.version})`))
    if (!libSection) {
      failures.push(`library ${lib.name} in ${c.name}: no section in THIRD-PARTY-NOTICES.txt`)
      continue
    }
    for (const id of licenceIds(parseLicence(expression))) {
      const text = libSection.split(`--- Licence text: ${id} ---\n`)[1]?.split(/^--- Licence text: /m)[0]?.trim()
      if (!text) failures.push(`library ${lib.name}: THIRD-PARTY-NOTICES.txt has no text of ${id}`)
    }
  }
}

// libstdc++'s floating-point from_chars is fast_float's code: when the link took it, the bill
// names fast_float as a library of its own.
const map = readFileSync(linkMap, 'utf8')
const nested = components.flatMap((c) => (c.components ?? []).map((l) => l.name))
for (const [member, library] of [['floating_from_chars.o', 'fast_float'], ['floating_to_chars.o', 'ryu']]) {
  if (map.includes(`libstdc++.a(${member})`) && !nested.includes(library)) {
    failures.push(`the link map shows libstdc++'s ${member}, and the bill does not name ${library}`)
  }
}

if (failures.length > 0) {
  console.error(failures.join('\n'))
  process.exit(1)
}
console.log(`bill valid (CycloneDX ${bill.specVersion}), exe ${shipped}, ` +
  components.map((c) => `${c.name} ${c.version} (${(c.components ?? []).map((l) => l.name).join(', ')})`).join(', ') +
  ': licences and notices present')
