package vrbaseio.hdfs;

import java.io.IOException;

import org.apache.hadoop.conf.Configuration;
import org.apache.hadoop.fs.FileSystem;
import org.apache.hadoop.fs.Path;
import org.apache.hadoop.fs.permission.FsPermission;

/** The configuration and the namespace layout that the tests rely on. */
final class ClusterSettings {
    static final long BLOCK_SIZE = 1024 * 1024;
    static final int LIST_LIMIT = 5;
    /** The user with a proxy-user grant, and the one user it may act as. */
    static final String PROXY_USER = "alice";
    static final String PROXIED_USER = "bob";
    /** The nameservice of {@code MiniDFSNNTopology.simpleHATopology()}. */
    static final String HA_NAMESERVICE = "minidfs-ns";

    private static final FsPermission WORLD_WRITABLE_STICKY = new FsPermission((short) 01777);

    private ClusterSettings() {
    }

    static Configuration defaults() {
        Configuration conf = new Configuration();
        conf.setInt("dfs.replication", 1);
        // Small blocks make ordinary test files span several of them.
        conf.setLong("dfs.namenode.fs-limits.min-block-size", 0);
        conf.setLong("dfs.blocksize", BLOCK_SIZE);
        // Small pages make LISTSTATUS_BATCH continue after a handful of entries.
        conf.setInt("dfs.ls.limit", LIST_LIMIT);
        conf.setBoolean("dfs.permissions.enabled", true);
        // With one DataNode there is no replacement to find when appending.
        conf.set("dfs.client.block.write.replace-datanode-on-failure.policy", "NEVER");
        // alice may act as bob (WebHDFS doas), from any host, and as nobody else.
        conf.set("hadoop.proxyuser." + PROXY_USER + ".hosts", "*");
        conf.set("hadoop.proxyuser." + PROXY_USER + ".users", PROXIED_USER);
        // In an HA cluster, the DataNodes' own clients (WebHDFS reads and
        // writes) find the active NameNode of the nameservice.
        conf.set("dfs.client.failover.proxy.provider." + HA_NAMESERVICE,
                "org.apache.hadoop.hdfs.server.namenode.ha.ConfiguredFailoverProxyProvider");
        return conf;
    }

    /**
     * World-writable sticky /tmp and /user, so that a test may work in a
     * directory of its own under any user name, and the superuser's home.
     */
    static void prepareNamespace(FileSystem fs, String superuser) throws IOException {
        for (String shared : new String[] {"/tmp", "/user"}) {
            Path path = new Path(shared);
            fs.mkdirs(path);
            fs.setPermission(path, WORLD_WRITABLE_STICKY);
        }
        fs.mkdirs(new Path("/user/" + superuser));
    }
}
