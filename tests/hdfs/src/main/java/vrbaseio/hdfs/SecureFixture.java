package vrbaseio.hdfs;

import java.io.IOException;
import java.net.URL;
import java.net.URLClassLoader;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.util.ArrayList;
import java.util.List;
import java.util.Properties;
import java.util.concurrent.TimeUnit;

import org.apache.hadoop.conf.Configuration;
import org.apache.hadoop.minikdc.MiniKdc;
import org.apache.hadoop.security.UserGroupInformation;

/**
 * What a secured cluster needs besides HDFS: a KDC holding the services' and
 * the test user's principals, and a certificate authority of its own whose
 * certificate every HTTPS server of the cluster presents.
 *
 * <p>Files left for the tests in the directory given: {@code krb5.conf}
 * (the KDC's realm and address), {@code user.keytab} (the test user's keys,
 * for {@code kinit -kt}) and {@code ca.pem} (the CA certificate). Services
 * and clients alike connect to the host name {@code localhost}: it is the
 * instance of the HTTP service principal and a name in the certificate.
 */
final class SecureFixture {
    static final String HOST = "localhost";
    static final String TEST_USER = "vrbtest";
    private static final String SERVICE_USER = "hdfs";
    // Guards nothing but the files of one test run, deleted at its end.
    private static final String STORE_PASSWORD = "vrbaseio-test";
    private static final String SSL_SERVER_RESOURCE = "vrb-ssl-server.xml";
    private static final long KEYTOOL_TIMEOUT_SECONDS = 60;

    private final Path dir;
    private final MiniKdc kdc;
    private final Path serviceKeytab;
    private final Path userKeytab;
    private final Path caPem;

    private SecureFixture(Path dir, MiniKdc kdc) {
        this.dir = dir;
        this.kdc = kdc;
        this.serviceKeytab = dir.resolve("service.keytab");
        this.userKeytab = dir.resolve("user.keytab");
        this.caPem = dir.resolve("ca.pem");
    }

    /** Starts the KDC, makes the principals, keytabs and certificates in {@code dir}. */
    static SecureFixture start(Path dir) throws Exception {
        Files.createDirectories(dir);
        Properties kdcConf = MiniKdc.createConf();
        kdcConf.setProperty(MiniKdc.KDC_BIND_ADDRESS, HOST);
        MiniKdc kdc = new MiniKdc(kdcConf, Files.createDirectories(dir.resolve("kdc")).toFile());
        kdc.start();
        SecureFixture fixture = new SecureFixture(dir, kdc);
        try {
            kdc.createPrincipal(fixture.serviceKeytab.toFile(), SERVICE_USER + "/" + HOST, "HTTP/" + HOST);
            kdc.createPrincipal(fixture.userKeytab.toFile(), TEST_USER);
            Files.copy(kdc.getKrb5conf().toPath(), fixture.krb5Conf());
            fixture.makeCertificates();
        } catch (Exception failure) {
            kdc.stop();
            throw failure;
        }
        return fixture;
    }

    Path krb5Conf() {
        return dir.resolve("krb5.conf");
    }

    Path userKeytab() {
        return userKeytab;
    }

    Path caPem() {
        return caPem;
    }

    String userPrincipal() {
        return TEST_USER + "@" + kdc.getRealm();
    }

    /**
     * Kerberos for RPC and for the web endpoints (SPNEGO), HTTPS only, SASL
     * on data transfer (what lets a secure DataNode use unprivileged ports),
     * and this JVM logged in as the services' principal, which makes that
     * principal's short name the HDFS superuser.
     */
    void configure(Configuration conf) throws IOException {
        String realm = kdc.getRealm();
        String service = SERVICE_USER + "/" + HOST + "@" + realm;
        String keytab = serviceKeytab.toString();
        conf.set("hadoop.security.authentication", "kerberos");
        conf.setBoolean("hadoop.security.authorization", true);
        conf.set("dfs.namenode.kerberos.principal", service);
        conf.set("dfs.namenode.keytab.file", keytab);
        conf.set("dfs.datanode.kerberos.principal", service);
        conf.set("dfs.datanode.keytab.file", keytab);
        conf.set("dfs.web.authentication.kerberos.principal", "HTTP/" + HOST + "@" + realm);
        conf.set("dfs.web.authentication.kerberos.keytab", keytab);
        conf.set("hadoop.http.filter.initializers", "org.apache.hadoop.security.AuthenticationFilterInitializer");
        conf.set("hadoop.http.authentication.type", "kerberos");
        conf.set("hadoop.http.authentication.simple.anonymous.allowed", "false");
        conf.set("hadoop.http.authentication.kerberos.principal", "HTTP/" + HOST + "@" + realm);
        conf.set("hadoop.http.authentication.kerberos.keytab", keytab);
        conf.setBoolean("dfs.block.access.token.enable", true);
        conf.set("dfs.data.transfer.protection", "authentication");
        conf.setBoolean("ignore.secure.ports.for.testing", true);
        conf.set("dfs.http.policy", "HTTPS_ONLY");
        conf.set("dfs.namenode.https-address", HOST + ":0");
        conf.set("dfs.datanode.https.address", HOST + ":0");
        conf.set("dfs.https.server.keystore.resource", SSL_SERVER_RESOURCE);
        conf.set("hadoop.ssl.server.conf", SSL_SERVER_RESOURCE);
        // Stores keyed "jks" cannot hold what keytool writes by default;
        // name the type wherever Hadoop reads a store.
        conf.set("ssl.server.keystore.type", "pkcs12");
        UserGroupInformation.setConfiguration(conf);
        UserGroupInformation.loginUserFromKeytab(service, keytab);
    }

    void stop() {
        kdc.stop();
    }

    /**
     * A CA, and a server certificate it signs for localhost and 127.0.0.1
     * (the DataNodes' redirects name the address). Hadoop finds the
     * key store through a configuration resource on the class path, so the
     * directory holding it joins the class path of every thread started
     * from here on.
     */
    private void makeCertificates() throws IOException, InterruptedException {
        Path ca = dir.resolve("ca.p12");
        Path server = dir.resolve("server.p12");
        Path request = dir.resolve("server.csr");
        Path signed = dir.resolve("server.pem");
        keytool("-genkeypair", "-alias", "ca", "-dname", "CN=vrbaseio test CA", "-ext", "bc:c", "-keyalg", "RSA",
                "-keysize", "2048", "-validity", "30", "-keystore", ca.toString());
        keytool("-exportcert", "-rfc", "-alias", "ca", "-keystore", ca.toString(), "-file", caPem.toString());
        keytool("-genkeypair", "-alias", "server", "-dname", "CN=" + HOST, "-keyalg", "RSA", "-keysize", "2048",
                "-validity", "30", "-keystore", server.toString());
        keytool("-certreq", "-alias", "server", "-keystore", server.toString(), "-file", request.toString());
        keytool("-gencert", "-rfc", "-alias", "ca", "-keystore", ca.toString(), "-infile", request.toString(),
                "-outfile", signed.toString(), "-validity", "30", "-ext", "san=dns:" + HOST + ",ip:127.0.0.1",
                "-ext", "eku=serverAuth");
        keytool("-importcert", "-noprompt", "-alias", "ca", "-keystore", server.toString(), "-file", caPem.toString());
        keytool("-importcert", "-alias", "server", "-keystore", server.toString(), "-file", signed.toString());

        Path conf = Files.createDirectories(dir.resolve("conf"));
        String xml = "<?xml version=\"1.0\"?>\n<configuration>\n"
                + property("ssl.server.keystore.location", server.toString())
                + property("ssl.server.keystore.password", STORE_PASSWORD)
                + property("ssl.server.keystore.keypassword", STORE_PASSWORD)
                + property("ssl.server.keystore.type", "pkcs12")
                + "</configuration>\n";
        Files.writeString(conf.resolve(SSL_SERVER_RESOURCE), xml, StandardCharsets.UTF_8);
        Thread.currentThread().setContextClassLoader(new URLClassLoader(
                new URL[] {conf.toUri().toURL()}, Thread.currentThread().getContextClassLoader()));
    }

    private static String property(String name, String value) {
        return "  <property><name>" + name + "</name><value>" + value + "</value></property>\n";
    }

    private void keytool(String... args) throws IOException, InterruptedException {
        List<String> command = new ArrayList<>();
        command.add(Paths.get(System.getProperty("java.home"), "bin", "keytool").toString());
        for (String arg : args) {
            command.add(arg);
        }
        command.addAll(List.of("-storetype", "pkcs12", "-storepass", STORE_PASSWORD));
        Path output = dir.resolve("keytool.log");
        Process process = new ProcessBuilder(command).redirectErrorStream(true)
                .redirectOutput(ProcessBuilder.Redirect.appendTo(output.toFile())).start();
        process.getOutputStream().close();
        if (!process.waitFor(KEYTOOL_TIMEOUT_SECONDS, TimeUnit.SECONDS)) {
            process.destroyForcibly();
            throw new IOException("keytool " + args[0] + " did not finish");
        }
        if (process.exitValue() != 0) {
            throw new IOException("keytool " + String.join(" ", args) + " failed: "
                    + Files.readString(output, StandardCharsets.UTF_8).strip());
        }
    }
}
